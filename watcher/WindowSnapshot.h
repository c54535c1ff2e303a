#pragma once

// What a window looks like at one moment, read without sending it a message:
// the thread that reads it also pumps the hook's messages, and a hung window
// must not stall that thread.

#include <windows.h>

#include <cstdint>
#include <unordered_map>

#include "library/window/WindowQueries.h"
#include "watcher/MonitorLayout.h"

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
// Reads every fact anew; CWindowSnapshotCache reads those that never change
// only once per window.
uint32_t TakeWindowSnapshot(HWND hwnd, CWindowSnapshot* snapshot);

// What a cached Take reads anew.
enum SnapshotScope : uint32_t
{
    // Every fact that may change.
    SnapshotEverything,
    // What a change of place or show state changes: the style, bounds and
    // show state, with the monitor, work area, fullscreen and application
    // window that follow from them, the DPI when the monitor is another, and
    // cloaked. The title, the owner, the extended style and the DPI on the
    // same monitor are those of the window's last SnapshotEverything, and
    // its thread and process are not asked again. Everything is read anyway
    // when that was the cache's place-only age or more before, so that a
    // window that only moves is still read whole that often.
    SnapshotPlace,
};

// Snapshots for a thread that takes many of the same windows: a window's class
// and process (id, image name, bits, integrity, coverage) never change while
// the window lives, so they are read at its first Take and kept until Forget,
// the process's facts once for all its windows;
// the other facts are read as the scope says, the monitor from a layout read
// at most CMonitorLayout::DefaultMaximumAge before. An entry is kept only
// while its window's thread and process stay those of the first Take, as
// every SnapshotEverything checks, so a handle that came to name another
// window is read anew. Holds one entry per
// window taken and not forgotten; windows that ended unseen (their
// destruction missed) are dropped whenever the cache has doubled, so it stays
// bounded by the number of windows. One owner thread; no message is sent.
class CWindowSnapshotCache
{
public:
    static const DWORD DefaultPlaceOnlyAge = 100;  // milliseconds

    explicit CWindowSnapshotCache(DWORD placeOnlyAge = DefaultPlaceOnlyAge)
        : placeOnlyAge(placeOnlyAge)
    {
    }
    CWindowSnapshotCache(const CWindowSnapshotCache&) = delete;
    CWindowSnapshotCache& operator=(const CWindowSnapshotCache&) = delete;

    // As TakeWindowSnapshot. A gone window's entry is dropped. Without memory
    // for a new entry the snapshot is taken uncached. The first Take of a
    // window reads everything, whatever the scope.
    uint32_t Take(HWND hwnd, CWindowSnapshot* snapshot, SnapshotScope scope = SnapshotEverything);

    // The window was destroyed: its entry goes.
    void Forget(HWND hwnd);

    size_t GetCount() const { return entries.size(); }

private:
    class CEntry
    {
    public:
        DWORD threadId = 0;
        // The window's newest snapshot; class and process as first read. Its
        // DPI was read on its monitor.
        CWindowSnapshot last;
        // When the last SnapshotEverything read every fact (GetTickCount64);
        // 0 until one has: a place-only Take starts from such a snapshot.
        ULONGLONG everythingAt = 0;
        LONG_PTR exStyle = 0;  // as the last SnapshotEverything read it
    };

    CEntry* FindOrRead(HWND hwnd, DWORD threadId, DWORD processId);
    bool CopyProcessFacts(DWORD processId, HWND hwnd, CWindowSnapshot* read);
    void Erase(HWND hwnd);
    uint32_t TakePlace(HWND hwnd, CEntry* entry, CWindowSnapshot* snapshot);
    void DropEndedWindows();

    const DWORD placeOnlyAge;
    std::unordered_map<HWND, CEntry> entries;
    std::unordered_map<DWORD, HWND> processWindows;  // a window of each process with an entry
    size_t dropAt = 0;  // the count at which ended windows are looked for next
    CMonitorLayout monitors;
};

// The file name of the process's image, read with the least access right a
// process grants. 0 on success, 1 on failure (name left empty).
uint32_t GetProcessImageName(DWORD processId, wchar_t* name, uint32_t capacity);

namespace NDetail {

// The parts of a snapshot, each reading its facts once, for the benchmark that
// times them one by one. Each writes only the fields it names.

// The style words that several facts derive from, read once.
class CWindowStyles
{
public:
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    bool isVisible = false;  // as IsWindowVisible says
};
CWindowStyles ReadStyles(HWND hwnd);
// The same with the extended style already known.
CWindowStyles ReadStyles(HWND hwnd, LONG_PTR exStyle);

// showState and bounds (hasBounds), as GetWindowShowState and GetWindowBounds
// report them: the show state from the styles, then GetWindowRect, or for a
// minimised or hidden window the placement's restored rectangle.
void ReadShowStateAndBounds(HWND hwnd, const CWindowStyles& styles, CWindowSnapshot* snapshot);
// owner and isAppWindow.
void ReadOwner(HWND hwnd, const CWindowStyles& styles, CWindowSnapshot* snapshot);
// monitor, workArea and isFullscreen; after ReadShowStateAndBounds, whose bounds it uses.
// From the layout where one is given, else from the platform.
void ReadMonitor(HWND hwnd, const CWindowStyles& styles, CMonitorLayout* layout,
                 CWindowSnapshot* snapshot);
void ReadTitle(HWND hwnd, CWindowSnapshot* snapshot);
void ReadClassName(HWND hwnd, CWindowSnapshot* snapshot);
void ReadDpi(HWND hwnd, CWindowSnapshot* snapshot);
void ReadCloaked(HWND hwnd, CWindowSnapshot* snapshot);
// imageName, processBits, integrity and isCovered, through one process handle.
void ReadProcess(DWORD processId, CWindowSnapshot* snapshot);

}  // namespace NDetail

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
