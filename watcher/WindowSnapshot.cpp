#include "watcher/WindowSnapshot.h"

#include <dwmapi.h>

#include <cwchar>
#include <new>

#include "library/synchronization/UniqueHandle.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

using NSynchronization::CUniqueHandle;

namespace {

static_assert(sizeof(void*) == 8, "a process that is not WOW64 is taken to be 64-bit");

// Below this many entries the cache does not look for windows that ended
// unseen: a desktop has a few hundred top-level windows.
const size_t MinimumDropCount = 256;

using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
using DwmGetWindowAttributeProc = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
using IsWow64Process2Proc = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);

ProcessIntegrity ReadIntegrity(HANDLE process);

// What older versions of Windows lack is looked up at run time, once, so that
// the watcher still starts there and reports the fact as unknown.
// dwmapi.dll, loaded from the system folder only, stays loaded for the life of
// the process: the watcher's thread may call into it at any time.
class CPlatform
{
public:
    CPlatform()
    {
        if (const HMODULE user = GetModuleHandleW(L"user32.dll"))
            getDpiForWindow =
                reinterpret_cast<GetDpiForWindowProc>(GetProcAddress(user, "GetDpiForWindow"));
        if (const HMODULE kernel = GetModuleHandleW(L"kernel32.dll"))
            isWow64Process2 =
                reinterpret_cast<IsWow64Process2Proc>(GetProcAddress(kernel, "IsWow64Process2"));
        if (const HMODULE dwm =
                LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
            getWindowAttribute = reinterpret_cast<DwmGetWindowAttributeProc>(
                GetProcAddress(dwm, "DwmGetWindowAttribute"));
        ownIntegrity = ReadIntegrity(GetCurrentProcess());
    }

    GetDpiForWindowProc getDpiForWindow = nullptr;
    IsWow64Process2Proc isWow64Process2 = nullptr;
    DwmGetWindowAttributeProc getWindowAttribute = nullptr;
    ProcessIntegrity ownIntegrity = IntegrityUnknown;
};

const CPlatform& Platform()
{
    static const CPlatform platform;
    return platform;
}

// A text cut at its capacity must not end in the first half of a surrogate
// pair: that half is no character, and whoever converts the text would fail
// or print a replacement mark.
void EndAtCharacter(wchar_t* text, size_t length, size_t capacity)
{
    if (length > 0 && length + 1 >= capacity && IS_HIGH_SURROGATE(text[length - 1]))
        text[length - 1] = 0;
}

uint32_t ReadImageName(HANDLE process, wchar_t* name, uint32_t capacity)
{
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = MAX_PATH * 2;
    if (!QueryFullProcessImageNameW(process, 0, path, &length))
        return 1;
    const wchar_t* file = path;
    for (const wchar_t* p = path; *p != 0; ++p) {
        if (*p == L'\\' || *p == L'/')
            file = p + 1;
    }
    wcsncpy(name, file, capacity - 1);
    name[capacity - 1] = 0;
    EndAtCharacter(name, wcslen(name), capacity);
    return 0;
}

// 0 when the platform does not say.
uint32_t ReadBits(HANDLE process)
{
    if (Platform().isWow64Process2 != nullptr) {
        USHORT processMachine = IMAGE_FILE_MACHINE_UNKNOWN;
        USHORT nativeMachine = IMAGE_FILE_MACHINE_UNKNOWN;
        if (!Platform().isWow64Process2(process, &processMachine, &nativeMachine))
            return 0;
        return processMachine == IMAGE_FILE_MACHINE_UNKNOWN ? 64 : 32;
    }
    BOOL isWow64 = FALSE;
    if (!IsWow64Process(process, &isWow64))
        return 0;
    return isWow64 ? 32 : 64;
}

ProcessIntegrity IntegrityFromLevel(DWORD level)
{
    if (level < SECURITY_MANDATORY_LOW_RID)
        return IntegrityUntrusted;
    if (level < SECURITY_MANDATORY_MEDIUM_RID)
        return IntegrityLow;
    if (level < SECURITY_MANDATORY_HIGH_RID)
        return IntegrityMedium;
    if (level < SECURITY_MANDATORY_SYSTEM_RID)
        return IntegrityHigh;
    return IntegritySystem;
}

// The label is read into fixed storage: its SID never exceeds
// SECURITY_MAX_SID_SIZE bytes.
ProcessIntegrity ReadIntegrity(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return IntegrityUnknown;
    const CUniqueHandle ownedToken(token);
    union
    {
        TOKEN_MANDATORY_LABEL label;
        BYTE bytes[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
    } buffer;
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenIntegrityLevel, &buffer, sizeof(buffer), &length))
        return IntegrityUnknown;
    const PSID sid = buffer.label.Label.Sid;
    if (sid == nullptr || !IsValidSid(sid) || *GetSidSubAuthorityCount(sid) == 0)
        return IntegrityUnknown;
    return IntegrityFromLevel(*GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1));
}

// What never changes while the window lives.
void CopyLastingFacts(const CWindowSnapshot& from, CWindowSnapshot* to)
{
    to->processId = from.processId;
    wcscpy(to->className, from.className);
    wcscpy(to->imageName, from.imageName);
    to->processBits = from.processBits;
    to->integrity = from.integrity;
    to->isCovered = from.isCovered;
}

// isAppWindow, from the styles and the owner already read.
void SetAppWindow(const NDetail::CWindowStyles& styles, CWindowSnapshot* snapshot)
{
    snapshot->isAppWindow =
        styles.isVisible && (styles.style & WS_CHILD) == 0
        && (styles.exStyle & WS_EX_TOOLWINDOW) == 0
        && (snapshot->owner == nullptr || (styles.exStyle & WS_EX_APPWINDOW) != 0);
}

// What may change from one snapshot to the next; the styles they came from.
NDetail::CWindowStyles ReadChangingFacts(HWND hwnd, CMonitorLayout* layout,
                                         CWindowSnapshot* snapshot)
{
    NDetail::ReadTitle(hwnd, snapshot);
    const NDetail::CWindowStyles styles = NDetail::ReadStyles(hwnd);
    NDetail::ReadShowStateAndBounds(hwnd, styles, snapshot);
    NDetail::ReadOwner(hwnd, styles, snapshot);
    NDetail::ReadMonitor(hwnd, styles, layout, snapshot);
    NDetail::ReadDpi(hwnd, snapshot);
    NDetail::ReadCloaked(hwnd, snapshot);
    return styles;
}

}  // namespace

namespace NDetail {

CWindowStyles ReadStyles(HWND hwnd)
{
    return ReadStyles(hwnd, GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
}

CWindowStyles ReadStyles(HWND hwnd, LONG_PTR exStyle)
{
    CWindowStyles styles;
    styles.style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    styles.exStyle = exStyle;
    // A window that is not a child is visible exactly when its own WS_VISIBLE
    // is set; only a child depends on its parents too.
    styles.isVisible = (styles.style & WS_CHILD) != 0 ? IsWindowVisible(hwnd) == TRUE
                                                      : (styles.style & WS_VISIBLE) != 0;
    return styles;
}

// The placement's show command of a shown window is its minimised or
// maximised style bit, so the style words already read give the show state;
// the placement itself is read only for the restored rectangle of a
// minimised or hidden window.
void ReadShowStateAndBounds(HWND hwnd, const CWindowStyles& styles, CWindowSnapshot* snapshot)
{
    if (!styles.isVisible)
        snapshot->showState = Hidden;
    else if ((styles.style & WS_MINIMIZE) != 0)
        snapshot->showState = Minimized;
    else if ((styles.style & WS_MAXIMIZE) != 0)
        snapshot->showState = Maximized;
    else
        snapshot->showState = Normal;
    RECT bounds = {};
    if (snapshot->showState == Minimized || snapshot->showState == Hidden) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(WINDOWPLACEMENT);
        snapshot->hasBounds = GetWindowPlacement(hwnd, &placement) == TRUE;
        bounds = placement.rcNormalPosition;
    } else {
        snapshot->hasBounds = GetWindowRect(hwnd, &bounds) == TRUE;
    }
    if (snapshot->hasBounds)
        snapshot->bounds = bounds;
}

void ReadOwner(HWND hwnd, const CWindowStyles& styles, CWindowSnapshot* snapshot)
{
    snapshot->owner = GetWindow(hwnd, GW_OWNER);
    SetAppWindow(styles, snapshot);
}

// The monitor follows from the bounds already read, as MonitorFromWindow
// would find it from the same rectangle (for a minimised window, its
// restored one); with a layout, without asking the platform.
void ReadMonitor(HWND hwnd, const CWindowStyles& styles, CMonitorLayout* layout,
                 CWindowSnapshot* snapshot)
{
    CMonitorArea found;
    if (layout == nullptr || !snapshot->hasBounds || !layout->Find(snapshot->bounds, &found)) {
        found.monitor = snapshot->hasBounds
                            ? MonitorFromRect(&snapshot->bounds, MONITOR_DEFAULTTONEAREST)
                            : MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        if (found.monitor != nullptr && !GetMonitorInfoW(found.monitor, &info))
            found.monitor = nullptr;
        found.area = info.rcMonitor;
        found.workArea = info.rcWork;
    }
    snapshot->monitor = found.monitor;
    if (found.monitor == nullptr)
        return;
    snapshot->workArea = found.workArea;
    const RECT& bounds = snapshot->bounds;
    const RECT& area = found.area;
    const bool isShown = snapshot->showState == Normal || snapshot->showState == Maximized;
    const bool hasCaption = (styles.style & WS_CAPTION) == WS_CAPTION;
    snapshot->isFullscreen = isShown && snapshot->hasBounds && !hasCaption
                             && bounds.left <= area.left && bounds.top <= area.top
                             && bounds.right >= area.right && bounds.bottom >= area.bottom;
}

void ReadTitle(HWND hwnd, CWindowSnapshot* snapshot)
{
    const size_t capacity = sizeof(snapshot->title) / sizeof(wchar_t);
    const int length = InternalGetWindowText(hwnd, snapshot->title, int(capacity));
    EndAtCharacter(snapshot->title, length > 0 ? size_t(length) : 0, capacity);
}

// Read directly: GetWindowClassName wants a buffer for 4096 characters, while
// a class name never exceeds 256.
void ReadClassName(HWND hwnd, CWindowSnapshot* snapshot)
{
    GetClassNameW(hwnd, snapshot->className, sizeof(snapshot->className) / sizeof(wchar_t));
}

void ReadDpi(HWND hwnd, CWindowSnapshot* snapshot)
{
    snapshot->dpi = Platform().getDpiForWindow != nullptr ? Platform().getDpiForWindow(hwnd) : 0;
}

void ReadCloaked(HWND hwnd, CWindowSnapshot* snapshot)
{
    DWORD cloaked = 0;
    if (Platform().getWindowAttribute == nullptr
        || FAILED(Platform().getWindowAttribute(hwnd, DWMWA_CLOAKED, &cloaked, sizeof(cloaked))))
        snapshot->cloaked = SnapshotUnknown;
    else
        snapshot->cloaked = cloaked != 0 ? SnapshotYes : SnapshotNo;
}

void ReadProcess(DWORD processId, CWindowSnapshot* snapshot)
{
    const CUniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.IsValid())
        return;
    ReadImageName(process.Get(), snapshot->imageName, MAX_PATH);
    snapshot->processBits = ReadBits(process.Get());
    snapshot->integrity = ReadIntegrity(process.Get());
    const ProcessIntegrity own = Platform().ownIntegrity;
    snapshot->isCovered = snapshot->processBits == 64 && snapshot->integrity != IntegrityUnknown
                          && own != IntegrityUnknown && snapshot->integrity <= own;
}

}  // namespace NDetail

uint32_t GetProcessImageName(DWORD processId, wchar_t* name, uint32_t capacity)
{
    if (name == nullptr || capacity == 0)
        return 1;
    name[0] = 0;
    const CUniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.IsValid())
        return 1;
    return ReadImageName(process.Get(), name, capacity);
}

// Validity is tested last as well, so that a window destroyed while being
// read is reported as gone rather than with half-read fields.
uint32_t TakeWindowSnapshot(HWND hwnd, CWindowSnapshot* snapshot)
{
    if (snapshot == nullptr)
        return 1;
    *snapshot = CWindowSnapshot();
    if (!IsValidWindow(hwnd))
        return 1;
    GetWindowThreadProcessId(hwnd, &snapshot->processId);
    NDetail::ReadClassName(hwnd, snapshot);
    NDetail::ReadProcess(snapshot->processId, snapshot);
    ReadChangingFacts(hwnd, nullptr, snapshot);
    if (!IsValidWindow(hwnd)) {
        *snapshot = CWindowSnapshot();
        return 1;
    }
    snapshot->gone = false;
    return 0;
}

uint32_t CWindowSnapshotCache::Take(HWND hwnd, CWindowSnapshot* snapshot, SnapshotScope scope)
{
    if (snapshot == nullptr)
        return 1;
    if (scope == SnapshotPlace) {
        const auto found = entries.find(hwnd);
        if (found != entries.end() && found->second.everythingAt != 0
            && GetTickCount64() - found->second.everythingAt < placeOnlyAge)
            return TakePlace(hwnd, &found->second, snapshot);
    }
    *snapshot = CWindowSnapshot();
    // The thread that owns the window is read first and doubles as the
    // validity test: it is 0 for a handle that names no window.
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(hwnd, &processId);
    if (threadId == 0) {
        Erase(hwnd);
        return 1;
    }
    snapshot->processId = processId;
    CEntry* entry = FindOrRead(hwnd, threadId, processId);
    if (entry == nullptr) {
        NDetail::ReadClassName(hwnd, snapshot);
        NDetail::ReadProcess(processId, snapshot);
        ReadChangingFacts(hwnd, &monitors, snapshot);
    } else {
        CopyLastingFacts(entry->last, snapshot);
        entry->exStyle = ReadChangingFacts(hwnd, &monitors, snapshot).exStyle;
    }
    if (!IsValidWindow(hwnd)) {
        *snapshot = CWindowSnapshot();
        Erase(hwnd);
        return 1;
    }
    snapshot->gone = false;
    if (entry != nullptr) {
        entry->everythingAt = GetTickCount64();
        entry->last = *snapshot;
    }
    return 0;
}

// Only the style and the bounds are asked for; the rest is the window's last
// snapshot, or follows from those two. Bounds read prove that the window still
// existed after the style was read: a handle that names no window fails there.
// A window's DPI follows the monitor it is on, for a window that is aware of
// monitors at all; on the same monitor it stays what it was.
uint32_t CWindowSnapshotCache::TakePlace(HWND hwnd, CEntry* entry, CWindowSnapshot* snapshot)
{
    *snapshot = entry->last;
    const NDetail::CWindowStyles styles = NDetail::ReadStyles(hwnd, entry->exStyle);
    NDetail::ReadShowStateAndBounds(hwnd, styles, snapshot);
    if (!snapshot->hasBounds && !IsValidWindow(hwnd)) {
        *snapshot = CWindowSnapshot();
        Erase(hwnd);
        return 1;
    }
    SetAppWindow(styles, snapshot);
    NDetail::ReadMonitor(hwnd, styles, &monitors, snapshot);
    if (snapshot->monitor != entry->last.monitor)
        NDetail::ReadDpi(hwnd, snapshot);
    NDetail::ReadCloaked(hwnd, snapshot);
    entry->last = *snapshot;
    return 0;
}

void CWindowSnapshotCache::Forget(HWND hwnd)
{
    Erase(hwnd);
}

void CWindowSnapshotCache::Erase(HWND hwnd)
{
    const auto found = entries.find(hwnd);
    if (found == entries.end())
        return;
    const auto known = processWindows.find(found->second.last.processId);
    if (known != processWindows.end() && known->second == hwnd)
        processWindows.erase(known);
    entries.erase(found);
}

// A process's facts are those another window of it has already: while that
// window exists its process lives, so the id still names the same process.
// One question to the platform instead of a handle, an image name and a token.
bool CWindowSnapshotCache::CopyProcessFacts(DWORD processId, HWND hwnd, CWindowSnapshot* read)
{
    const auto known = processWindows.find(processId);
    if (known == processWindows.end() || known->second == hwnd)
        return false;
    const auto sibling = entries.find(known->second);
    if (sibling == entries.end())
        return false;
    DWORD siblingProcess = 0;
    if (GetWindowThreadProcessId(known->second, &siblingProcess) != sibling->second.threadId
        || siblingProcess != processId)
        return false;
    const CWindowSnapshot& facts = sibling->second.last;
    wcscpy(read->imageName, facts.imageName);
    read->processBits = facts.processBits;
    read->integrity = facts.integrity;
    read->isCovered = facts.isCovered;
    return true;
}

// Null when there is no memory for a new entry.
CWindowSnapshotCache::CEntry* CWindowSnapshotCache::FindOrRead(HWND hwnd, DWORD threadId,
                                                               DWORD processId)
{
    const auto found = entries.find(hwnd);
    if (found != entries.end() && found->second.threadId == threadId
        && found->second.last.processId == processId)
        return &found->second;
    CWindowSnapshot read;
    read.processId = processId;
    NDetail::ReadClassName(hwnd, &read);
    if (!CopyProcessFacts(processId, hwnd, &read))
        NDetail::ReadProcess(processId, &read);
    CEntry* entry = nullptr;
    try {
        if (found == entries.end() && entries.size() + 1 >= dropAt)
            DropEndedWindows();
        entry = &entries[hwnd];
        processWindows[processId] = hwnd;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // A new window: nothing of the one the handle named before holds.
    *entry = CEntry();
    entry->threadId = threadId;
    entry->last = read;
    return entry;
}

// The destruction of a window whose process was killed never reaches the
// hook, so its entry would stay: whenever the cache has doubled since the last
// look, the entries of windows that no longer exist go.
void CWindowSnapshotCache::DropEndedWindows()
{
    for (auto entry = entries.begin(); entry != entries.end();) {
        if (IsValidWindow(entry->first))
            ++entry;
        else
            entry = entries.erase(entry);
    }
    for (auto known = processWindows.begin(); known != processWindows.end();) {
        if (entries.count(known->second) != 0)
            ++known;
        else
            known = processWindows.erase(known);
    }
    dropAt = entries.size() * 2 > MinimumDropCount ? entries.size() * 2 : MinimumDropCount;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
