#pragma once

#include "tools/zarvowatch/WatchOptions.h"

// Applies options.command to the chosen window and prints the window before
// and after. Exit codes: 0 done, 5 no such window, 6 unknown command, 7 the
// command reported a failure.
int RunWindowCommand(const WatchOptions& options);
