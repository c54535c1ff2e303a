#pragma once

#include "tools/zarvowatch/WatchOptions.h"

// Watches the desktop's top-level windows and prints one line per
// notification until Ctrl+C or the duration is over. Exit codes: 0, or
// WatchExitModuleNotLoaded / WatchExitRegisterFailed.
int RunWatch(const CWatchOptions& options);

class CConsoleStop;

// Shared with zarvowatch serve: starts the --exec program (saying so when it
// cannot) and waits until Ctrl+C or the --duration is over; prints why the
// source could not start and returns the exit code for it.
void WatchUntilStopped(const CWatchOptions& options, CConsoleStop& stop);
int ReportWatchStartFailure(const CWatchOptions& options, uint32_t status);
