// A second application that registers, enables and unregisters the hook in a
// tight loop while another copy of it does the same. Usage:
//   hook_racer_fixture.exe "<name prefix>"
// Releases the semaphore <prefix>.ready, waits for the event <prefix>.go, loops
// until the event <prefix>.stop is set, ends registered and enabled, releases
// <prefix>.done and then keeps its thread, and so every hook it installed,
// alive until it is terminated.

#include "zarvowindow1589x64.h"

namespace {

HANDLE OpenNamed(const wchar_t* prefix, const wchar_t* suffix, bool semaphore)
{
    wchar_t name[256];
    wsprintfW(name, L"%s.%s", prefix, suffix);
    return semaphore ? OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, name)
                     : OpenEventW(SYNCHRONIZE, FALSE, name);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    wchar_t prefix[200] = {};
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, prefix, 199);
    HMODULE module = LoadLibraryW(ZARVOWINDOW_MODULE_FILE_NAME);
    auto reg = reinterpret_cast<NZarvo_NWindowX64DLL_RegisterProc>(
        GetProcAddress(module, ZARVOWINDOW_REGISTER_EXPORT));
    auto unreg = reinterpret_cast<NZarvo_NWindowX64DLL_UnregisterProc>(
        GetProcAddress(module, ZARVOWINDOW_UNREGISTER_EXPORT));
    auto enable = reinterpret_cast<NZarvo_NWindowX64DLL_EnableWindowHookProc>(
        GetProcAddress(module, ZARVOWINDOW_ENABLE_WINDOW_HOOK_EXPORT));
    HANDLE ready = OpenNamed(prefix, L"ready", true), done = OpenNamed(prefix, L"done", true);
    HANDLE go = OpenNamed(prefix, L"go", false), stop = OpenNamed(prefix, L"stop", false);
    HWND window = CreateWindowExW(0, L"STATIC", L"hook racer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!reg || !unreg || !enable || !ready || !done || !go || !stop || !window)
        return 3;

    ReleaseSemaphore(ready, 1, nullptr);
    WaitForSingleObject(go, INFINITE);
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        reg(window);
        enable();
        unreg();
    }
    reg(window);
    enable();
    ReleaseSemaphore(done, 1, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
