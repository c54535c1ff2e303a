#pragma once

// Register and Unregister on behalf of one watcher among several, in this
// process and in others. The module keeps one hook per desktop and the last
// Register anywhere takes it over; without these, a watcher that stops would
// remove the hook of whoever registered after it.

#include <windows.h>

#include <cstdint>

#include "watcher/HookModule.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

// Registers the window and enables notifications. 0 on success, 1 when
// Register failed (the thread's last-error value is left as the platform set
// it).
uint32_t RegisterAsOwner(const CHookModule& module, HWND notifyWindow);

// Disables notifications and removes the hook only while it is still the one
// registered for this window; a hook registered since, here or in another
// process, is left alone.
void UnregisterIfOwner(const CHookModule& module, HWND notifyWindow);

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
