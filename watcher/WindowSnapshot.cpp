#include "watcher/WindowSnapshot.h"

#include <cwchar>

#include "library/synchronization/UniqueHandle.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

using NSynchronization::CUniqueHandle;

namespace {

// A text cut at its capacity must not end in the first half of a surrogate
// pair: that half is no character, and whoever converts the text would fail
// or print a replacement mark.
void EndAtCharacter(wchar_t* text, size_t length, size_t capacity)
{
    if (length > 0 && length + 1 >= capacity && IS_HIGH_SURROGATE(text[length - 1]))
        text[length - 1] = 0;
}

}  // namespace

uint32_t GetProcessImageName(DWORD processId, wchar_t* name, uint32_t capacity)
{
    if (name == nullptr || capacity == 0)
        return 1;
    name[0] = 0;
    const CUniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.IsValid())
        return 1;
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = MAX_PATH * 2;
    if (!QueryFullProcessImageNameW(process.Get(), 0, path, &length))
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

// The class name is read directly: GetWindowClassName wants a buffer for 4096
// characters, while a class name never exceeds 256. Validity is tested last
// as well, so that a window destroyed while being read is reported as gone
// rather than with half-read fields.
uint32_t TakeWindowSnapshot(HWND hwnd, CWindowSnapshot* snapshot)
{
    if (snapshot == nullptr)
        return 1;
    *snapshot = CWindowSnapshot();
    if (!IsValidWindow(hwnd))
        return 1;
    GetClassNameW(hwnd, snapshot->className, sizeof(snapshot->className) / sizeof(wchar_t));
    const size_t titleCapacity = sizeof(snapshot->title) / sizeof(wchar_t);
    const int titleLength = InternalGetWindowText(hwnd, snapshot->title, int(titleCapacity));
    EndAtCharacter(snapshot->title, titleLength > 0 ? size_t(titleLength) : 0, titleCapacity);
    snapshot->hasBounds = GetWindowBounds(hwnd, &snapshot->bounds) == 0;
    snapshot->showState = GetWindowShowState(hwnd);
    GetWindowThreadProcessId(hwnd, &snapshot->processId);
    GetProcessImageName(snapshot->processId, snapshot->imageName, MAX_PATH);
    if (!IsValidWindow(hwnd)) {
        *snapshot = CWindowSnapshot();
        return 1;
    }
    snapshot->gone = false;
    return 0;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
