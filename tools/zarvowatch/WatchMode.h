#pragma once

#include "tools/zarvowatch/WatchOptions.h"

// Watches the desktop's top-level windows and prints one line per
// notification until Ctrl+C or the duration is over. Exit codes: 0, or
// WatchExitModuleNotLoaded / WatchExitRegisterFailed.
int RunWatch(const CWatchOptions& options);
