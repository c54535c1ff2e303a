#pragma once

// The hook module loaded by path and its four functions found by name, for
// applications that choose the module at run time instead of linking to it.

#include <windows.h>

#include <cstdint>

// The public header is installed beside the library headers, at the top of
// the include folder.
#include "zarvowindow1589x64.h"

#include "library/resource/UniqueResource.h"
#include "watcher/WatcherStatus.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

// Owns one reference to the module, and is closed: the four functions and the
// shared section are found together or not at all. A module that turned out to be the hook
// module is also pinned for the life of the process: a hook procedure can
// still be running on another thread of this process after Unregister has
// returned, and unloading the module under it would crash that thread.
class CHookModule
{
public:
    CHookModule() = default;
    CHookModule(const CHookModule&) = delete;
    CHookModule& operator=(const CHookModule&) = delete;

    // WatcherSuccess, WatcherModuleNotLoaded (LoadLibraryW's last-error value
    // left as it was) or WatcherWrongModule (it lacks one of the four
    // functions or the shared section). On failure the object stays empty.
    uint32_t Load(const wchar_t* path);
    bool IsLoaded() const { return module.IsValid(); }

    // The module's four functions, with their results; only once loaded.
    LONG Register(HWND notifyWindow) const { return registerWindow(notifyWindow); }
    LONG Unregister() const { return unregister(); }
    LONG EnableWindowHook() const { return enable(); }
    LONG DisableWindowHook() const { return disable(); }

    // True while the hook registered last on the desktop is installed for
    // this notification window. Reads the module's shared section, which this
    // process sees as every process that maps the module writes it: two
    // memory reads, no call into the module and no message.
    bool IsRegisteredTo(HWND notifyWindow) const;

private:
    NResource::CUniqueModule module;
    NZarvo_NWindowX64DLL_RegisterProc registerWindow = nullptr;
    NZarvo_NWindowX64DLL_UnregisterProc unregister = nullptr;
    NZarvo_NWindowX64DLL_EnableWindowHookProc enable = nullptr;
    NZarvo_NWindowX64DLL_DisableWindowHookProc disable = nullptr;
    const volatile ZarvoWindowSharedSection* shared = nullptr;
};

// The hook module beside this process's executable. 0 on success, 1 when the
// path does not fit in capacity characters.
uint32_t GetDefaultHookModulePath(wchar_t* path, uint32_t capacity);

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
