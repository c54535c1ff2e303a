/*
 * zarvowindow1589x64.dll: notifications about the top-level windows of every
 * 64-bit process on the desktop.
 *
 * Call NZarvo_NWindowX64DLL_Register with a window of your own, then
 * NZarvo_NWindowX64DLL_EnableWindowHook. The module posts one of the
 * notifications below to that window, with wParam 0 and lParam set to the
 * window concerned; query the window yourself when it arrives.
 *
 * Keep the thread that called Register pumping its messages: Windows runs the
 * hook for 32-bit processes by sending messages to the installing thread.
 */
#ifndef ZARVOWINDOW1589X64_H
#define ZARVOWINDOW1589X64_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef ZARVOWINDOW_API
#define ZARVOWINDOW_API __declspec(dllimport)
#endif

/* The module's file name, and the names its four functions are exported
 * under (ordinals 1 to 4 in this order), for LoadLibraryW and GetProcAddress. */
#define ZARVOWINDOW_MODULE_FILE_NAME L"zarvowindow1589x64.dll"
#define ZARVOWINDOW_DISABLE_WINDOW_HOOK_EXPORT "NZarvo_NWindowX64DLL_DisableWindowHook"
#define ZARVOWINDOW_ENABLE_WINDOW_HOOK_EXPORT "NZarvo_NWindowX64DLL_EnableWindowHook"
#define ZARVOWINDOW_REGISTER_EXPORT "NZarvo_NWindowX64DLL_Register"
#define ZARVOWINDOW_UNREGISTER_EXPORT "NZarvo_NWindowX64DLL_Unregister"

/* The module's shared data section. Every process that maps the module sees
 * the same three values, in this order at offsets 0, 8 and 16; an application
 * can read them in its own copy of the module to learn whether the hook
 * registered last is still its own (SharedNotifyWindow is its window and
 * SharedHookHandle is not null). */
#define ZARVOWINDOW_SHARED_SECTION_NAME ".ZARVOWI"
typedef struct ZarvoWindowSharedSection
{
    HHOOK SharedHookHandle;
    HWND SharedNotifyWindow;
    LONG SharedHookEnabled;
} ZarvoWindowSharedSection;

enum ZarvoWindowNotification
{
    NotifyWindowPosChanged = WM_USER + 102, /* 0x466: shown, hidden, moved or sized */
    NotifyWindowDestroyed = WM_USER + 103,  /* 0x467: WM_DESTROY */
    NotifyEnterSizeMove = WM_USER + 104,    /* 0x468: WM_ENTERSIZEMOVE */
    NotifyWindowMoving = WM_USER + 105,     /* 0x469: WM_MOVING */
    NotifyExitSizeMove = WM_USER + 106      /* 0x46A: WM_EXITSIZEMOVE */
};

/* Both return the previous value of the enable flag (0 or 1).
 *
 * A notification can still arrive shortly after Unregister or
 * DisableWindowHook returns; drop what arrives after you unregistered. A hooked
 * process that was already about to post when the call ran still posts, and
 * the module does not wait for other processes. */
ZARVOWINDOW_API LONG WINAPI NZarvo_NWindowX64DLL_DisableWindowHook(void);
ZARVOWINDOW_API LONG WINAPI NZarvo_NWindowX64DLL_EnableWindowHook(void);

/* Installs the global hook (replacing an earlier one) with notifications off.
 * Returns 0 when the hook was installed, 1 when installing failed. The hook
 * and notification window are shared by every process on the desktop: when
 * two applications register, one hook remains and the window registered last
 * receives the notifications, each once. */
ZARVOWINDOW_API LONG WINAPI NZarvo_NWindowX64DLL_Register(HWND notifyWindow);

/* Turns notifications off and removes the hook. Returns the result of
 * UnhookWindowsHookEx when a hook was installed, else the previous flag. */
ZARVOWINDOW_API LONG WINAPI NZarvo_NWindowX64DLL_Unregister(void);

/* The same functions for an application that loads the module itself with
 * LoadLibraryW and finds them with GetProcAddress (by name or by ordinal 1-4). */
typedef LONG(WINAPI* NZarvo_NWindowX64DLL_DisableWindowHookProc)(void);
typedef LONG(WINAPI* NZarvo_NWindowX64DLL_EnableWindowHookProc)(void);
typedef LONG(WINAPI* NZarvo_NWindowX64DLL_RegisterProc)(HWND notifyWindow);
typedef LONG(WINAPI* NZarvo_NWindowX64DLL_UnregisterProc)(void);

#ifdef __cplusplus
}
#endif

#endif /* ZARVOWINDOW1589X64_H */
