#pragma once

#include <windows.h>

// What snapshot_target_fixture.exe answers, sent to its main window: what the
// process knows of its own windows, read from inside.
enum SnapshotTargetCommand : UINT
{
    SnapshotTargetGetWindow = WM_APP + 1,  // wParam SnapshotTargetWindow: its handle
    SnapshotTargetGetFact,                 // wParam SnapshotTargetFact, lParam a window: the fact
};

enum SnapshotTargetWindow : WPARAM
{
    TargetMainWindow,        // captioned, shown, unowned
    TargetOwnedWindow,       // shown, owned by the main window
    TargetOwnedToolWindow,   // shown, WS_EX_TOOLWINDOW, owned by the main window
    TargetOwnedAppWindow,    // shown, WS_EX_APPWINDOW, owned by the main window
    TargetHiddenWindow,      // unowned, never shown
    TargetMinimizedWindow,   // unowned, shown minimised
    TargetMaximizedWindow,   // unowned, captioned, shown maximised
    TargetFullscreenWindow,  // a popup without caption that covers its monitor
    SnapshotTargetWindowCount
};

enum SnapshotTargetFact : WPARAM
{
    FactOwner,      // GetWindow(GW_OWNER)
    FactMonitor,    // MonitorFromWindow(MONITOR_DEFAULTTONEAREST)
    FactWorkArea,   // that monitor's work area, packed by PackRect
    FactDpi,        // GetDpiForWindow
    FactCloaked,    // DwmGetWindowAttribute(DWMWA_CLOAKED): 0, 1, or 2 when it fails
    FactBits,       // the process's pointer width in bits
    FactIntegrity,  // the process token's mandatory label RID
};

// A rectangle of small coordinates in one result.
inline LRESULT PackRect(const RECT& rect)
{
    return LRESULT((ULONG64(WORD(rect.left)) << 48) | (ULONG64(WORD(rect.top)) << 32)
                   | (ULONG64(WORD(rect.right)) << 16) | ULONG64(WORD(rect.bottom)));
}

// The calling process's mandatory integrity level (a RID such as 0x3000), -1
// when its token does not say.
inline LRESULT ReadOwnIntegrityLevel()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return -1;
    BYTE buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
    DWORD length = 0;
    LRESULT level = -1;
    if (GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof(buffer), &length)) {
        const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
        level = *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1);
    }
    CloseHandle(token);
    return level;
}

inline const wchar_t* SnapshotTargetClassName()
{
    return L"ZarvoSnapshotTarget";
}
