#pragma once

#include <windows.h>

#include <stdint.h>

namespace NLibrary { namespace NSynchronization {

enum WaitResult
{
    WaitResultNone = 0,       // nothing within the poll, or the wait failed
    WaitResultSignalled = 1,  // an object was signalled
    WaitResultMessage = 2     // input arrived in the thread's queue
};

// Every message-aware wait is a short poll: callers loop on it.
const DWORD MessageWaitPollMilliseconds = 1;
// Spelled out: the SDK's QS_ALLEVENTS also takes in QS_TOUCH and QS_POINTER
// when built for Windows 8 and later. Sent messages never end a poll.
const DWORD MessageWaitMask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER
                              | QS_PAINT | QS_HOTKEY | QS_RAWINPUT;

bool IsValidHandle(const HANDLE& h);
void CloseValidHandle(HANDLE& h);

// One 1 ms poll of *h and of the calling thread's message queue. Queued input
// is reported to one poll only, then it is no longer new; it stays queued.
uint32_t WaitForObjectOrMessage(const HANDLE* h);
// One 1 ms poll of exactly two handles and the queue; on WaitResultSignalled
// the handle that fired is stored in *signalled.
uint32_t WaitForObjectsOrMessage(HANDLE* signalled, const HANDLE* handles);

// Dispatches every waiting message of the calling thread. A WM_QUIT found on
// the way is removed and dropped.
void PumpMessages();

}}  // namespace NLibrary::NSynchronization
