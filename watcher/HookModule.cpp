#include "watcher/HookModule.h"

#include <cstddef>
#include <cstring>
#include <cwchar>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

const wchar_t ModuleFileName[] = L"zarvowindow1589x64.dll";
const char SharedSectionName[] = ".ZARVOWI";  // fills the header's eight bytes

template <typename TProc>
TProc Find(HMODULE module, const char* name)
{
    return reinterpret_cast<TProc>(GetProcAddress(module, name));
}

}  // namespace

// The shared section as hook/WindowHook.cpp lays it out: the hook handle, the
// notification window and the enable flag, in this order.
struct CHookModule::CSharedState
{
    HHOOK hookHandle;
    HWND notifyWindow;
    LONG hookEnabled;
};

namespace {

// The section's data in the loaded image, or null when the module has no
// such section or it is too small to be the hook module's.
const void* FindSharedSection(HMODULE module, size_t size)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_NT_HEADERS* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
    for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
        if (strncmp(reinterpret_cast<const char*>(section->Name), SharedSectionName,
                    IMAGE_SIZEOF_SHORT_NAME)
            == 0)
            return section->Misc.VirtualSize >= size ? base + section->VirtualAddress : nullptr;
    }
    return nullptr;
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
    shared = static_cast<const volatile CSharedState*>(
        FindSharedSection(loaded, offsetof(CSharedState, hookEnabled) + sizeof(LONG)));
    if (registerWindow == nullptr || unregister == nullptr || enable == nullptr
        || disable == nullptr || shared == nullptr) {
        registerWindow = nullptr;
        unregister = nullptr;
        enable = nullptr;
        disable = nullptr;
        shared = nullptr;
        FreeLibrary(loaded);
        return HookModuleWrong;
    }
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(registerWindow), &pinned);
    module = loaded;
    return HookModuleLoaded;
}

bool CHookModule::IsRegisteredTo(HWND notifyWindow) const
{
    return shared != nullptr && notifyWindow != nullptr && shared->notifyWindow == notifyWindow
           && shared->hookHandle != nullptr;
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
