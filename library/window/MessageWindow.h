#pragma once

// A message-only window of the calling thread: it receives what is posted or
// sent to it from any process, but it is never enumerated, shown or reported
// to window managers, and, being a child of the message-only parent, no
// window watcher hears of it either. Destroyed with its owner, on the thread
// that created it (the only one that can).

#include <windows.h>

#include "library/resource/UniqueResource.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

// A STATIC window named `title`; null in the owner when it cannot be made.
NResource::CUniqueWindow CreateMessageWindow(const wchar_t* title = L"");

}}}  // namespace NLibrary::NWin32::NWindow
