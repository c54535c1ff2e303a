#include "tools/zarvowatch/CommandMode.h"

#include "library/window/ForegroundActivation.h"
#include "library/window/WindowCommands.h"
#include "library/window/WindowQueries.h"
#include "tools/zarvowatch/WatchOutput.h"

#include <cstdio>
#include <memory>

namespace {

namespace NWindow = NLibrary::NWin32::NWindow;

// A window of this thread: the activation command attaches its input to the
// foreground thread's.
HWND CreateSourceWindow()
{
    return CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"zarvowatch", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

std::unique_ptr<NWindow::IWindowCommand> MakeCommand(const std::wstring& name, HWND target, HWND source)
{
    using std::make_unique;
    if (name == L"close") return make_unique<NWindow::CCloseWindowCommand>(target);
    if (name == L"show") return make_unique<NWindow::CShowWindowCommand>(target);
    if (name == L"hide") return make_unique<NWindow::CHideWindowCommand>(target);
    if (name == L"minimize") return make_unique<NWindow::CMinimizeWindowCommand>(target);
    if (name == L"maximize") return make_unique<NWindow::CMaximizeWindowCommand>(target);
    if (name == L"restore") return make_unique<NWindow::CShowWindowNoActivateCommand>(target);
    if (name == L"topmost") return make_unique<NWindow::CSetTopmostCommand>(target);
    if (name == L"notopmost") return make_unique<NWindow::CSetNotTopmostCommand>(target);
    if (name == L"activate") return make_unique<NWindow::CActivateWindowCommand>(source, target);
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

}  // namespace

int RunWindowCommand(const WatchOptions& options)
{
    HWND target = options.window != nullptr ? options.window : FindWindowW(nullptr, options.title.c_str());
    if (!NWindow::IsValidWindow(target)) {
        fprintf(stderr, "zarvowatch: no such window\n");
        return 5;
    }
    HWND source = CreateSourceWindow();
    std::unique_ptr<NWindow::IWindowCommand> command = MakeCommand(options.command, target, source);
    if (!command) {
        fprintf(stderr, "zarvowatch: unknown command %ls\n", options.command.c_str());
        DestroyWindow(source);
        return 6;
    }
    printf("before   %s\n", DescribeWindow(target).c_str());
    command->Execute();
    bool failed = false;
    if (auto* activate = dynamic_cast<NWindow::CActivateWindowCommand*>(command.get()))
        failed = activate->GetStatus() != 0;
    PumpFor(300);
    printf("%-8ls %s\n", options.command.c_str(), DescribeWindow(target).c_str());
    DestroyWindow(source);
    return failed ? 7 : 0;
}
