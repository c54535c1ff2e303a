#include "watcher/HookModule.h"

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <type_traits>
#include <utility>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

template <typename TProc>
TProc Find(HMODULE module, const char* name)
{
    return reinterpret_cast<TProc>(GetProcAddress(module, name));
}

// The section's data in the loaded image, or null when the module has no
// such section or it is too small to be the hook module's.
const volatile ZarvoWindowSharedSection* FindSharedSection(HMODULE module)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_NT_HEADERS* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
    for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
        if (strncmp(reinterpret_cast<const char*>(section->Name), ZARVOWINDOW_SHARED_SECTION_NAME,
                    IMAGE_SIZEOF_SHORT_NAME)
            != 0)
            continue;
        if (section->Misc.VirtualSize < sizeof(ZarvoWindowSharedSection))
            return nullptr;
        return reinterpret_cast<const volatile ZarvoWindowSharedSection*>(
            base + section->VirtualAddress);
    }
    return nullptr;
}

}  // namespace

uint32_t CHookModule::Load(const wchar_t* path)
{
    if (IsLoaded() || path == nullptr)
        return WatcherModuleNotLoaded;
    NResource::CUniqueModule loaded(LoadLibraryW(path));
    if (!loaded.IsValid())
        return WatcherModuleNotLoaded;
    const auto found = [&](auto& proc, const char* name) {
        proc = Find<std::remove_reference_t<decltype(proc)>>(loaded.Get(), name);
        return proc != nullptr;
    };
    shared = FindSharedSection(loaded.Get());
    if (!found(registerWindow, ZARVOWINDOW_REGISTER_EXPORT)
        || !found(unregister, ZARVOWINDOW_UNREGISTER_EXPORT)
        || !found(enable, ZARVOWINDOW_ENABLE_WINDOW_HOOK_EXPORT)
        || !found(disable, ZARVOWINDOW_DISABLE_WINDOW_HOOK_EXPORT) || shared == nullptr) {
        registerWindow = nullptr;
        unregister = nullptr;
        enable = nullptr;
        disable = nullptr;
        shared = nullptr;
        return WatcherWrongModule;
    }
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(registerWindow), &pinned);
    module = std::move(loaded);
    return WatcherSuccess;
}

bool CHookModule::IsRegisteredTo(HWND notifyWindow) const
{
    return shared != nullptr && notifyWindow != nullptr
           && shared->SharedNotifyWindow == notifyWindow && shared->SharedHookHandle != nullptr;
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
    const wchar_t moduleFileName[] = ZARVOWINDOW_MODULE_FILE_NAME;
    const size_t nameLength = sizeof(moduleFileName) / sizeof(wchar_t);  // with the terminator
    if (folderLength + nameLength > capacity)
        return 1;
    wmemcpy(path, executable, folderLength);
    wmemcpy(path + folderLength, moduleFileName, nameLength);
    return 0;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
