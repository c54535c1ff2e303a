// What the consumer check asks of NLibrary. Built against zarvowindow::nlibrary
// alone, so that the library's own include paths (its headers and the Boost
// headers it needs) are proved without the hook's.
#pragma once

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include <cstdint>

namespace NConsumer {

// Whether the window belongs to the process and has the class name (read with
// the library's window queries, compared with its strings).
bool IsWindowOf(HWND window, DWORD processId, const wchar_t* className);

// Starts this program again with the arguments; the process is ended and its
// handles closed when the last copy of the pointer goes. Empty on failure.
boost::shared_ptr<PROCESS_INFORMATION> StartSelf(const wchar_t* arguments);

// Dispatches this thread's messages with the library's message-aware waits
// until done is set, the process ends or the time is up; returns done.
bool PumpUntil(const bool& done, HANDLE process, DWORD milliseconds);

// Starts the library's window watcher (the module beside this program) and
// waits until it reports a position change of a window of the process;
// returns whether it did, and its class name in className.
bool WatchForWindowOf(DWORD processId, DWORD milliseconds, wchar_t* className, uint32_t capacity);

}  // namespace NConsumer
