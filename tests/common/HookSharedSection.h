#pragma once

// The hook module's shared section as the module lays it out. A test program
// that maps the module sees the very memory every other process that maps it
// writes, so the state an application or a tool leaves there can be read
// directly.

#include <windows.h>

#include "zarvowindow1589x64.h"

namespace NTestSupport {

using CHookSharedValues = ZarvoWindowSharedSection;

// Loads the module if this program has not; null when it cannot be loaded or
// has no such section.
volatile CHookSharedValues* GetHookSharedValues();

}  // namespace NTestSupport
