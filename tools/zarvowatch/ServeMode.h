#pragma once

#include "tools/zarvowatch/WatchOptions.h"

// zarvowatch serve: owns the desktop's hook and serves its window events as
// a WebSocket stream on 127.0.0.1 until Ctrl+C, closing the console, the
// duration or a takeover of the hook ends it; every client is then closed
// with the reason and the hook removed. Exit codes: 0, WatchExitServeFailed
// (no token, port or token file), WatchExitModuleNotLoaded /
// WatchExitRegisterFailed.
int RunServe(const CWatchOptions& options);
