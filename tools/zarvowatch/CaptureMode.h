#pragma once

#include "tools/zarvowatch/WatchOptions.h"

// Captures the chosen window, or the screen, into a 32-bit surface and writes
// it to options.capturePath as a .bmp or .png file. Exit codes: success, no
// such window, capture failed, write failed.
int RunCapture(const CWatchOptions& options);
