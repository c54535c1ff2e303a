#include "tools/zarvowatch/WatchOptions.h"

#include <shellapi.h>
#include <windows.h>

#include <cwchar>
#include <vector>

#include "library/window/watcher/HookModule.h"

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

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

// Index of `value` in `names`, or -1.
int IndexOf(const std::wstring& value, std::initializer_list<const wchar_t*> names)
{
    int index = 0;
    for (const wchar_t* name : names) {
        if (value == name)
            return index;
        ++index;
    }
    return -1;
}

bool NeedsValue(const std::wstring& name)
{
    return IndexOf(name, {L"--dll", L"--exec", L"--duration", L"--command", L"--window", L"--title",
                          L"--capture", L"--alpha", L"--method", L"--process", L"--class"})
           >= 0;
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

// The options that only keep their text.
struct CTextOption
{
    const wchar_t* name;
    std::wstring CWatchOptions::*field;
};

const CTextOption TextOptions[] = {
    {L"--dll", &CWatchOptions::dllPath},     {L"--command", &CWatchOptions::command},
    {L"--process", &CWatchOptions::process}, {L"--class", &CWatchOptions::className},
    {L"--title", &CWatchOptions::title},     {L"--exec", &CWatchOptions::exec},
};

// One option that takes a value; false with the error for a bad value or an
// unknown option.
bool ParseValueOption(const std::wstring& name, const std::wstring& value, CWatchOptions& options,
                      std::wstring& error)
{
    for (const CTextOption& option : TextOptions) {
        if (name == option.name) {
            options.*option.field = value;
            return true;
        }
    }
    if (name == L"--capture") {
        options.capturePath = value;
        if (!CaptureTypeOf(options.capturePath, options.captureType)) {
            error = L"--capture writes FILE.bmp or FILE.png, not " + options.capturePath;
            return false;
        }
    } else if (name == L"--alpha" || name == L"--method") {
        const int index = name == L"--alpha" ? IndexOf(value, {L"none", L"region", L"whole"})
                                             : IndexOf(value, {L"auto", L"print", L"copy"});
        if (index < 0) {
            error = L"unknown " + name + L" value " + value;
            return false;
        }
        (name == L"--alpha" ? options.alphaMode : options.method) = index;
    } else if (name == L"--window") {
        wchar_t* end = nullptr;
        options.window =
            reinterpret_cast<HWND>(static_cast<UINT_PTR>(wcstoull(value.c_str(), &end, 0)));
        if (*end != 0 || options.window == nullptr) {
            error = L"--window takes a window handle such as 0x1006a";
            return false;
        }
    } else if (name == L"--duration") {
        wchar_t* end = nullptr;
        options.durationSeconds = wcstod(value.c_str(), &end);
        if (*end != 0 || options.durationSeconds <= 0 || options.durationSeconds > 86400) {
            error = L"--duration takes a number of seconds";
            return false;
        }
    } else {
        error = L"unknown argument " + name;
        return false;
    }
    return true;
}

}  // namespace

bool ParseWatchOptions(const wchar_t* commandLine, CWatchOptions& options, std::wstring& error)
{
    options.dllPath = DefaultDllPath();
    std::vector<std::wstring> arguments = SplitArguments(commandLine);
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& name = arguments[i];
        if (name == L"--json") {
            options.json = true;
        } else if (name == L"--help" || name == L"-h") {
            options.help = true;
        } else if (name == L"--screen") {
            options.screen = true;
        } else if (!NeedsValue(name)) {
            error = L"unknown argument " + name;
            return false;
        } else if (i + 1 >= arguments.size()) {
            error = name + L" needs a value";
            return false;
        } else if (!ParseValueOption(name, arguments[++i], options, error)) {
            return false;
        }
    }
    const bool chosen = options.window != nullptr || !options.title.empty();
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
           "                  [--process NAME] [--class NAME]\n"
           "  Prints one line per window notification: milliseconds since start, event,\n"
           "  window handle, and the window's class, title, bounds and show state\n"
           "  (\"gone\" when the window no longer exists), process id and image name.\n"
           "  --process and --class keep only windows of that image name and class.\n"
           "  The hook is one per desktop: when another application starts watching,\n"
           "  this one says so once on standard error and reports nothing more.\n"
           "  Ctrl+C stops.\n"
           "usage: zarvowatch --command COMMAND (--window HANDLE | --title TEXT)\n"
           "  Applies one command to a top-level window: close, show, hide, minimize,\n"
           "  maximize, restore, topmost, notopmost, activate.\n"
           "usage: zarvowatch --capture FILE.bmp|FILE.png (--window HANDLE | --title TEXT | "
           "--screen)\n"
           "                  [--alpha none|region|whole] [--method auto|print|copy]\n"
           "  Captures a window (or the screen) into a 32-bit picture and writes a .bmp or\n"
           "  .png file.\n";
}
