// zarvowatch: watches the top-level windows of the desktop through the hook
// module and prints one line per notification.
//
//   zarvowatch [--dll PATH] [--json] [--duration SECONDS] [--exec "COMMAND"]
//              [--process NAME] [--class NAME] [--initial] [--all-changes]
//   zarvowatch serve [--port N] [--token-file PATH] [--all-changes] ...
//   zarvowatch --command COMMAND (--window HANDLE | --title TEXT)
//   zarvowatch --capture FILE.bmp|FILE.png (--window HANDLE | --title TEXT | --screen)
//              [--alpha MODE] [--method METHOD]

#include <windows.h>

#include <cstdio>

#include "tools/zarvowatch/CaptureMode.h"
#include "tools/zarvowatch/CommandMode.h"
#include "tools/zarvowatch/ServeMode.h"
#include "tools/zarvowatch/WatchExitCode.h"
#include "tools/zarvowatch/WatchMode.h"
#include "tools/zarvowatch/WatchOptions.h"

int main()
{
    CWatchOptions options;
    std::wstring error;
    if (!ParseWatchOptions(GetCommandLineW(), options, error)) {
        fprintf(stderr, "zarvowatch: %ls\n%s", error.c_str(), WatchUsage());
        return WatchExitBadArguments;
    }
    if (options.help) {
        fputs(WatchUsage(), stdout);
        return WatchExitSuccess;
    }
    if (options.serve)
        return RunServe(options);
    if (!options.command.empty())
        return RunWindowCommand(options);
    if (!options.capturePath.empty())
        return RunCapture(options);
    return RunWatch(options);
}
