#include "tools/zarvowatch/WatchOptions.h"

#include <shellapi.h>
#include <windows.h>

#include <cmath>
#include <cwchar>
#include <vector>

#include "watcher/HookModule.h"

namespace {

namespace NCapture = NLibrary::NWin32::NCapture;
namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

const double MaximumDurationSeconds = 86400;

std::wstring DefaultDllPath()
{
    wchar_t path[MAX_PATH] = {};
    NWatcher::GetDefaultHookModulePath(path, MAX_PATH);
    return path;
}

std::vector<std::wstring> SplitArguments(const wchar_t* commandLine)
{
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(commandLine, &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; argv != nullptr && i < count; ++i)
        arguments.push_back(argv[i]);
    LocalFree(argv);
    return arguments;
}

// The file type follows the extension, without regard to case.
bool CaptureTypeOf(const std::wstring& path, CaptureFileType& type)
{
    const size_t dot = path.find_last_of(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : path.substr(dot);
    if (_wcsicmp(extension.c_str(), L".bmp") == 0)
        type = CaptureFileBitmap;
    else if (_wcsicmp(extension.c_str(), L".png") == 0)
        type = CaptureFilePng;
    else
        return false;
    return true;
}

// Sets what one option says; false with the error for a bad value.
using OptionSetter = bool (*)(const std::wstring& value, CWatchOptions& options,
                              std::wstring& error);

template <std::wstring CWatchOptions::*Field>
bool SetText(const std::wstring& value, CWatchOptions& options, std::wstring&)
{
    options.*Field = value;
    return true;
}

template <bool CWatchOptions::*Field>
bool SetFlag(const std::wstring&, CWatchOptions& options, std::wstring&)
{
    options.*Field = true;
    return true;
}

template <typename TValue>
struct CNamedValue
{
    const wchar_t* name;
    TValue value;
};

const CNamedValue<NCapture::AlphaMode> AlphaModes[] = {
    {L"none",   NCapture::AlphaModeNone  },
    {L"region", NCapture::AlphaModeRegion},
    {L"whole",  NCapture::AlphaModeWhole },
};

const CNamedValue<NCapture::CaptureMethod> CaptureMethods[] = {
    {L"auto",  NCapture::CaptureMethodAuto },
    {L"print", NCapture::CaptureMethodPrint},
    {L"copy",  NCapture::CaptureMethodCopy },
};

template <typename TValue, size_t Count>
bool SetNamed(const CNamedValue<TValue> (&names)[Count], const wchar_t* option,
              const std::wstring& value, TValue& field, std::wstring& error)
{
    for (const CNamedValue<TValue>& name : names) {
        if (value == name.name) {
            field = name.value;
            return true;
        }
    }
    error = std::wstring(L"unknown ") + option + L" value " + value;
    return false;
}

bool SetAlpha(const std::wstring& value, CWatchOptions& options, std::wstring& error)
{
    return SetNamed(AlphaModes, L"--alpha", value, options.alphaMode, error);
}

bool SetMethod(const std::wstring& value, CWatchOptions& options, std::wstring& error)
{
    return SetNamed(CaptureMethods, L"--method", value, options.method, error);
}

bool SetCapture(const std::wstring& value, CWatchOptions& options, std::wstring& error)
{
    options.capturePath = value;
    if (CaptureTypeOf(value, options.captureType))
        return true;
    error = L"--capture writes FILE.bmp or FILE.png, not " + value;
    return false;
}

bool SetWindow(const std::wstring& value, CWatchOptions& options, std::wstring& error)
{
    wchar_t* end = nullptr;
    options.window =
        reinterpret_cast<HWND>(static_cast<UINT_PTR>(wcstoull(value.c_str(), &end, 0)));
    if (*end == 0 && options.window != nullptr)
        return true;
    error = L"--window takes a window handle such as 0x1006a";
    return false;
}

// wcstod also reads "nan", "inf" and overflows to infinity: none of them is a
// time the tool can wait for.
bool SetDuration(const std::wstring& value, CWatchOptions& options, std::wstring& error)
{
    wchar_t* end = nullptr;
    const double seconds = wcstod(value.c_str(), &end);
    if (value.empty() || *end != 0 || !std::isfinite(seconds) || seconds < 0
        || seconds > MaximumDurationSeconds) {
        error = L"--duration takes a number of seconds from 0 (until Ctrl+C) to 86400";
        return false;
    }
    options.durationSeconds = seconds;
    return true;
}

bool SetPort(const std::wstring& value, CWatchOptions& options, std::wstring& error)
{
    wchar_t* end = nullptr;
    const unsigned long port = wcstoul(value.c_str(), &end, 10);
    if (value.empty() || *end != 0 || value[0] == L'-' || value[0] == L'+' || port > 65535) {
        error = L"--port takes a port number from 0 (any free port) to 65535";
        return false;
    }
    options.port = uint16_t(port);
    return true;
}

// The modes an option means something in.
enum OptionModes : unsigned
{
    ForWatch = 1,
    ForServe = 2,
    ForCommandOrCapture = 4,
    ForWatchAndServe = ForWatch | ForServe,
    ForEveryMode = ForWatch | ForServe | ForCommandOrCapture,
    // Options that came before the server, which the other modes never refused.
    ForAllButServe = ForWatch | ForCommandOrCapture,
};

// Every option, once.
struct COptionRow
{
    const wchar_t* name;
    bool takesValue;
    OptionSetter set;
    unsigned modes;
};

const COptionRow Options[] = {
    {L"--dll",         true,  SetText<&CWatchOptions::dllPath>,    ForEveryMode    },
    {L"--json",        false, SetFlag<&CWatchOptions::json>,       ForAllButServe  },
    {L"--duration",    true,  SetDuration,                         ForEveryMode    },
    {L"--exec",        true,  SetText<&CWatchOptions::exec>,       ForEveryMode    },
    {L"--process",     true,  SetText<&CWatchOptions::process>,    ForEveryMode    },
    {L"--class",       true,  SetText<&CWatchOptions::className>,  ForEveryMode    },
    {L"--initial",     false, SetFlag<&CWatchOptions::initial>,    ForWatch        },
    {L"--all-changes", false, SetFlag<&CWatchOptions::allChanges>, ForWatchAndServe},
    {L"--help",        false, SetFlag<&CWatchOptions::help>,       ForEveryMode    },
    {L"-h",            false, SetFlag<&CWatchOptions::help>,       ForEveryMode    },
    {L"--command",     true,  SetText<&CWatchOptions::command>,    ForAllButServe  },
    {L"--window",      true,  SetWindow,                           ForAllButServe  },
    {L"--title",       true,  SetText<&CWatchOptions::title>,      ForAllButServe  },
    {L"--capture",     true,  SetCapture,                          ForAllButServe  },
    {L"--screen",      false, SetFlag<&CWatchOptions::screen>,     ForAllButServe  },
    {L"--alpha",       true,  SetAlpha,                            ForAllButServe  },
    {L"--method",      true,  SetMethod,                           ForAllButServe  },
    {L"--port",        true,  SetPort,                             ForServe        },
    {L"--token-file",  true,  SetText<&CWatchOptions::tokenFile>,  ForServe        },
};

const COptionRow* FindOption(const std::wstring& name)
{
    for (const COptionRow& option : Options) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

}  // namespace

bool ParseWatchOptions(const wchar_t* commandLine, CWatchOptions& options, std::wstring& error)
{
    options.dllPath = DefaultDllPath();
    std::vector<std::wstring> arguments = SplitArguments(commandLine);
    // A subcommand is the first word.
    size_t first = 0;
    if (!arguments.empty() && arguments[0] == L"serve") {
        options.serve = true;
        first = 1;
    }
    std::vector<const COptionRow*> given;
    for (size_t i = first; i < arguments.size(); ++i) {
        const COptionRow* option = FindOption(arguments[i]);
        if (option == nullptr) {
            error = L"unknown argument " + arguments[i];
            return false;
        }
        if (option->takesValue && i + 1 >= arguments.size()) {
            error = arguments[i] + L" needs a value";
            return false;
        }
        const std::wstring value = option->takesValue ? arguments[++i] : std::wstring();
        if (!option->set(value, options, error))
            return false;
        given.push_back(option);
    }
    const bool chosen = options.window != nullptr || !options.title.empty();
    if (!options.command.empty() && !options.capturePath.empty()) {
        error = L"--command and --capture are two modes: give one of them";
        return false;
    }
    const unsigned mode = options.serve ? ForServe
                          : !options.command.empty() || !options.capturePath.empty()
                              ? ForCommandOrCapture
                              : ForWatch;
    for (const COptionRow* option : given) {
        if ((option->modes & mode) != 0)
            continue;
        error = std::wstring(option->name)
                + (mode == ForServe            ? L" does not apply to zarvowatch serve"
                   : option->modes == ForServe ? L" is for zarvowatch serve"
                                               : L" applies to watching only");
        return false;
    }
    if (!options.command.empty() && !chosen) {
        error = L"--command needs --window HANDLE or --title TEXT";
        return false;
    }
    if (!options.capturePath.empty() && !chosen && !options.screen) {
        error = L"--capture needs --window HANDLE, --title TEXT or --screen";
        return false;
    }
    return true;
}

const char* WatchUsage()
{
    return "usage: zarvowatch [--dll PATH] [--json] [--duration SECONDS] [--exec \"COMMAND\"]\n"
           "                  [--process NAME] [--class NAME] [--initial] [--all-changes]\n"
           "  Prints one line per window event: milliseconds since start, event,\n"
           "  window handle, and the window's class, title, bounds and show state\n"
           "  (\"gone\" when the window no longer exists), process id and image name,\n"
           "  and the event's sequence number; texts are quoted and escaped as in JSON.\n"
           "  --json prints JSON Lines with more facts of each window.\n"
           "  --initial first prints a Present line for each window that exists.\n"
           "  --all-changes prints every notification of the hook as it comes, instead\n"
           "  of the window model's events (merged position changes, Gone, Settled).\n"
           "  --process and --class keep only windows of that image name and class.\n"
           "  --duration 0 (the default) watches until Ctrl+C.\n"
           "  The hook is one per desktop: when another application starts watching,\n"
           "  this one says so once on standard error and reports nothing more.\n"
           "usage: zarvowatch serve [--port N] [--token-file PATH] [--all-changes]\n"
           "                  [--dll PATH] [--duration SECONDS] [--exec \"COMMAND\"]\n"
           "                  [--process NAME] [--class NAME]\n"
           "  Serves the window events as a WebSocket stream on 127.0.0.1 (port 15890\n"
           "  unless --port says otherwise; 0 takes any free port) to clients that\n"
           "  present the token written to the token file (by default\n"
           "  %LOCALAPPDATA%\\zarvowatch\\token), until Ctrl+C.\n"
           "usage: zarvowatch --command COMMAND (--window HANDLE | --title TEXT) [--json]\n"
           "  Applies one command to a top-level window: close, show, hide, minimize,\n"
           "  maximize, restore, topmost, notopmost, activate.\n"
           "usage: zarvowatch --capture FILE.bmp|FILE.png (--window HANDLE | --title TEXT | "
           "--screen)\n"
           "                  [--alpha none|region|whole] [--method auto|print|copy] [--json]\n"
           "  Captures a visible window (or the screen) into a 32-bit picture and writes a\n"
           "  .bmp or .png file, opaque unless --alpha says how to compute the alpha.\n";
}
