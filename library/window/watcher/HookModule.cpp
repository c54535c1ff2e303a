#include "library/window/watcher/HookModule.h"

#include <cwchar>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

const wchar_t ModuleFileName[] = L"zarvowindow1589x64.dll";

template <typename TProc>
TProc Find(HMODULE module, const char* name)
{
    return reinterpret_cast<TProc>(GetProcAddress(module, name));
}

}  // namespace

CHookModule::~CHookModule()
{
    if (module != nullptr)
        FreeLibrary(module);
}

uint32_t CHookModule::Load(const wchar_t* path)
{
    if (module != nullptr || path == nullptr)
        return HookModuleNotLoaded;
    HMODULE loaded = LoadLibraryW(path);
    if (loaded == nullptr)
        return HookModuleNotLoaded;
    registerWindow =
        Find<NZarvo_NWindowX64DLL_RegisterProc>(loaded, "NZarvo_NWindowX64DLL_Register");
    unregister =
        Find<NZarvo_NWindowX64DLL_UnregisterProc>(loaded, "NZarvo_NWindowX64DLL_Unregister");
    enable = Find<NZarvo_NWindowX64DLL_EnableWindowHookProc>(
        loaded, "NZarvo_NWindowX64DLL_EnableWindowHook");
    disable = Find<NZarvo_NWindowX64DLL_DisableWindowHookProc>(
        loaded, "NZarvo_NWindowX64DLL_DisableWindowHook");
    if (registerWindow == nullptr || unregister == nullptr || enable == nullptr
        || disable == nullptr) {
        registerWindow = nullptr;
        unregister = nullptr;
        enable = nullptr;
        disable = nullptr;
        FreeLibrary(loaded);
        return HookModuleWrong;
    }
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(registerWindow), &pinned);
    module = loaded;
    return HookModuleLoaded;
}

uint32_t GetDefaultHookModulePath(wchar_t* path, uint32_t capacity)
{
    wchar_t executable[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, executable, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || path == nullptr)
        return 1;
    DWORD folderLength = length;
    while (folderLength > 0 && executable[folderLength - 1] != L'\\'
           && executable[folderLength - 1] != L'/')
        --folderLength;
    const size_t nameLength = sizeof(ModuleFileName) / sizeof(wchar_t);  // with the terminator
    if (folderLength + nameLength > capacity)
        return 1;
    wmemcpy(path, executable, folderLength);
    wmemcpy(path + folderLength, ModuleFileName, nameLength);
    return 0;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
