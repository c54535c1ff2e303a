#pragma once

#include "tools/zarvowatch/WatchOptions.h"

// Applies options.command to the chosen window and prints the window before
// and after. The command name is checked before the window is looked up.
// Exit codes: success, no such window, unknown command, command failed.
int RunWindowCommand(const CWatchOptions& options);
