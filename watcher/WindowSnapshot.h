#pragma once

// What a window looks like at one moment, read without sending it a message:
// the thread that reads it also pumps the hook's messages, and a hung window
// must not stall that thread.

#include <windows.h>

#include <cstdint>

#include "library/window/WindowQueries.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

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
};

// 0 when the window existed and was read, 1 when it is gone (snapshot->gone).
uint32_t TakeWindowSnapshot(HWND hwnd, CWindowSnapshot* snapshot);

// The file name of the process's image, read with the least access right a
// process grants. 0 on success, 1 on failure (name left empty).
uint32_t GetProcessImageName(DWORD processId, wchar_t* name, uint32_t capacity);

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
