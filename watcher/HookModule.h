#pragma once

// The hook module loaded by path and its four functions found by name, for
// applications that choose the module at run time instead of linking to it.

#include <windows.h>

#include <cstdint>

// The public header is installed beside the library headers, at the top of
// the include folder.
#include "zarvowindow1589x64.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

enum HookModuleStatus : uint32_t
{
    HookModuleLoaded = 0,
    HookModuleNotLoaded = 2,  // LoadLibraryW failed; its last-error value is left as it was
    HookModuleWrong = 3,  // loaded, but it lacks one of the four functions or its shared section
};

// Owns one reference to the module. A module that turned out to be the hook
// module is also pinned for the life of the process: a hook procedure can
// still be running on another thread of this process after Unregister has
// returned, and unloading the module under it would crash that thread.
class CHookModule
{
public:
    CHookModule() = default;
    ~CHookModule();
    CHookModule(const CHookModule&) = delete;
    CHookModule& operator=(const CHookModule&) = delete;

    // HookModuleStatus. On failure the object stays empty.
    uint32_t Load(const wchar_t* path);

    // True while the hook registered last on the desktop is installed for
    // this notification window. Reads the module's shared section, which this
    // process sees as every process that maps the module writes it: two
    // memory reads, no call into the module and no message.
    bool IsRegisteredTo(HWND notifyWindow) const;

    NZarvo_NWindowX64DLL_RegisterProc registerWindow = nullptr;
    NZarvo_NWindowX64DLL_UnregisterProc unregister = nullptr;
    NZarvo_NWindowX64DLL_EnableWindowHookProc enable = nullptr;
    NZarvo_NWindowX64DLL_DisableWindowHookProc disable = nullptr;

private:
    struct CSharedState;

    HMODULE module = nullptr;
    const volatile CSharedState* shared = nullptr;
};

// The hook module beside this process's executable. 0 on success, 1 when the
// path does not fit in capacity characters.
uint32_t GetDefaultHookModulePath(wchar_t* path, uint32_t capacity);

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
