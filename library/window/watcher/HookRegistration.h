#pragma once

// Register and Unregister on behalf of one owner among several in this
// process. The module keeps one hook per desktop and the last Register takes
// it over; without this, an older watcher that stops would remove the hook of
// a newer one in the same process.

#include <windows.h>

#include <cstdint>

#include "library/window/watcher/HookModule.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

// Registers the window and enables notifications; the owner becomes the
// process's current one. 0 on success, 1 when Register failed (the thread's
// last-error value is left as the platform set it).
uint32_t RegisterAsOwner(const CHookModule& module, HWND notifyWindow, const void* owner);

// Disables notifications and removes the hook if the owner is still this
// process's current one; otherwise leaves the newer owner's hook alone.
void UnregisterIfOwner(const CHookModule& module, const void* owner);

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
