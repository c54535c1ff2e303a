#pragma once

#include <windows.h>

#include "tools/zarvowatch/WatchOptions.h"

// The window that --window or --title chose. Returns WatchExitSuccess with
// *window set, or prints "no such window" and returns WatchExitNoSuchWindow.
int FindChosenWindow(const CWatchOptions& options, HWND* window);
