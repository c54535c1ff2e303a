#include "tools/zarvowatch/CommandMode.h"

#include "library/window/ForegroundActivation.h"
#include "library/window/MessageWindow.h"
#include "library/window/WindowCommands.h"
#include "tools/zarvowatch/WatchExitCode.h"
#include "tools/zarvowatch/WatchOutput.h"
#include "tools/zarvowatch/WindowChoice.h"

#include <cstdio>
#include <memory>

namespace {

namespace NWindow = NLibrary::NWin32::NWindow;

// The activation command needs a window of this thread, whose input it
// attaches to the foreground thread's; a message-only one, so that watchers
// (this tool's watch mode among them) never hear of the tool's own helper.

using CommandFactory = std::unique_ptr<NWindow::IWindowCommand> (*)(HWND target, HWND source);

template <typename TCommand>
std::unique_ptr<NWindow::IWindowCommand> MakeTargetCommand(HWND target, HWND)
{
    return std::make_unique<TCommand>(target);
}

std::unique_ptr<NWindow::IWindowCommand> MakeActivateCommand(HWND target, HWND source)
{
    return std::make_unique<NWindow::CActivateWindowCommand>(source, target);
}

struct CCommandName
{
    const wchar_t* name;
    CommandFactory make;
};

const CCommandName CommandNames[] = {
    {L"close",     MakeTargetCommand<NWindow::CCloseWindowCommand>         },
    {L"show",      MakeTargetCommand<NWindow::CShowWindowCommand>          },
    {L"hide",      MakeTargetCommand<NWindow::CHideWindowCommand>          },
    {L"minimize",  MakeTargetCommand<NWindow::CMinimizeWindowCommand>      },
    {L"maximize",  MakeTargetCommand<NWindow::CMaximizeWindowCommand>      },
    {L"restore",   MakeTargetCommand<NWindow::CShowWindowNoActivateCommand>},
    {L"topmost",   MakeTargetCommand<NWindow::CSetTopmostCommand>          },
    {L"notopmost", MakeTargetCommand<NWindow::CSetNotTopmostCommand>       },
    {L"activate",  MakeActivateCommand                                     },
};

CommandFactory FindCommand(const std::wstring& name)
{
    for (const CCommandName& command : CommandNames) {
        if (name == command.name)
            return command.make;
    }
    return nullptr;
}

// Lets posted commands (close, asynchronous show) take effect before the
// window is read again.
void PumpFor(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    MSG message;
    while (GetTickCount64() < end) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(10);
    }
}

// The window before and after the command: text lines, or JSON Lines
// {"step":"before",...} and {"step":"<command>",...}.
void PrintStep(const CWatchOptions& options, const std::wstring& step, HWND target)
{
    if (options.json) {
        nlohmann::ordered_json line = {
            {"step", JsonValue(step)}
        };
        AddWindowFields(line, target);
        printf("%s\n", JsonText(line).c_str());
    } else {
        printf("%-8ls %s\n", step.c_str(), DescribeWindow(target).c_str());
    }
    fflush(stdout);
}

}  // namespace

int RunWindowCommand(const CWatchOptions& options)
{
    const CommandFactory make = FindCommand(options.command);
    if (make == nullptr) {
        fprintf(stderr, "zarvowatch: unknown command %ls\n", options.command.c_str());
        return WatchExitUnknownCommand;
    }
    HWND target = nullptr;
    if (const int exitCode = FindChosenWindow(options, &target))
        return exitCode;
    const NLibrary::NResource::CUniqueWindow source = NWindow::CreateMessageWindow(L"zarvowatch");
    std::unique_ptr<NWindow::IWindowCommand> command = make(target, source.Get());
    PrintStep(options, L"before", target);
    command->Execute();
    bool failed = false;
    if (auto* activate = dynamic_cast<NWindow::CActivateWindowCommand*>(command.get()))
        failed = activate->GetStatus() != 0;
    PumpFor(300);
    PrintStep(options, options.command, target);
    return failed ? WatchExitCommandFailed : WatchExitSuccess;
}
