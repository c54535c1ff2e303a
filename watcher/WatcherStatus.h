#pragma once

// What the watcher's and the model's operations return, and what their
// GetStatus reports. The module loader's outcomes are among them.

#include <atomic>
#include <cstdint>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

enum WatcherStatus : uint32_t
{
    WatcherSuccess = 0,
    // Already started, no callback, no thread or window, Stop called from the
    // callback, or the thread did not end in time.
    WatcherFailure = 1,
    WatcherModuleNotLoaded =
        2,                   // the module could not be loaded (last-error as LoadLibraryW left it)
    WatcherWrongModule = 3,  // the file loaded, but it is not the hook module
    WatcherRegisterFailed = 4,  // Register failed (last-error as Register left it)
    // GetStatus only: delivery has ended.
    WatcherTakenOver = 5,      // another Register replaced the hook (see above)
    WatcherCallbackThrew = 6,  // the callback threw; the exception was dropped
};

// Calls an application's callback on a thread of the watcher's or the
// model's. An exception must not cross that thread's procedure, where it would
// end the process: it ends delivery instead (false), and the owner reads it in
// the status, unless a takeover ended delivery first.
template <typename TCallback, typename TEvent>
bool CallApplication(TCallback callback, const TEvent& event, void* context,
                     std::atomic<uint32_t>& status)
{
    try {
        callback(event, context);
    } catch (...) {
        uint32_t delivering = WatcherSuccess;
        status.compare_exchange_strong(delivering, WatcherCallbackThrew);
        return false;
    }
    return true;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
