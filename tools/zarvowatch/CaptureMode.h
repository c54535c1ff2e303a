#pragma once

#include "tools/zarvowatch/WatchOptions.h"

// Captures the chosen window, or the screen, into a 32-bit surface and writes
// it to options.capturePath as a .bmp file. Exit codes: 0 written, 5 no such
// window, 8 the capture failed, 9 the file could not be written.
int RunCapture(const WatchOptions& options);
