#pragma once

// What a window looks like at one moment, read without sending it a message:
// the thread that reads it also pumps the hook's messages, and a hung window
// must not stall that thread.

#include <windows.h>

#include <cstdint>

#include "library/window/WindowQueries.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

// A fact the platform may not answer.
enum SnapshotAnswer : uint32_t
{
    SnapshotNo,
    SnapshotYes,
    SnapshotUnknown,
};

// The mandatory integrity level of a process's token.
enum ProcessIntegrity : uint32_t
{
    IntegrityUnknown,  // the token could not be read
    IntegrityUntrusted,
    IntegrityLow,
    IntegrityMedium,
    IntegrityHigh,
    IntegritySystem,  // and above
};

// Fixed storage, so that an event record is copied without allocating on the
// watcher's thread. Texts are cut at their capacity, before a character
// that does not fit whole (never inside a surrogate pair), and always
// terminated.
class CWindowSnapshot
{
public:
    bool gone = true;  // the window no longer existed; nothing below was read
    wchar_t className[257] = {};
    wchar_t title[512] = {};
    bool hasBounds = false;
    RECT bounds = {};  // as GetWindowBounds reports them for the show state
    WindowShowState showState = Unknown;
    DWORD processId = 0;
    wchar_t imageName[MAX_PATH] = {};  // file name only, "notepad.exe"; empty when unreadable

    // Where and how the window stands.
    HWND owner = nullptr;                      // GetWindow(GW_OWNER)
    bool isAppWindow = false;                  // as a taskbar decides: visible, no tool window, and
                                               // unowned or WS_EX_APPWINDOW
    HMONITOR monitor = nullptr;                // the monitor the window is mostly on
    RECT workArea = {};                        // that monitor's work area
    uint32_t dpi = 0;                          // the window's DPI; 0 when the platform does not say
    bool isFullscreen = false;                 // covers its monitor, without a caption
    SnapshotAnswer cloaked = SnapshotUnknown;  // hidden by the compositor

    // The process, and whether the hook can see it at all.
    uint32_t processBits = 0;  // 32 or 64; 0 when unreadable
    ProcessIntegrity integrity = IntegrityUnknown;
    // The hook module is mapped into this process: 64-bit, at an integrity
    // level not above the watcher's. Events of uncovered windows may be missing.
    bool isCovered = false;
};

// 0 when the window existed and was read, 1 when it is gone (snapshot->gone).
uint32_t TakeWindowSnapshot(HWND hwnd, CWindowSnapshot* snapshot);

// The file name of the process's image, read with the least access right a
// process grants. 0 on success, 1 on failure (name left empty).
uint32_t GetProcessImageName(DWORD processId, wchar_t* name, uint32_t capacity);

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
