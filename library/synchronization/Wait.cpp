#include "library/synchronization/Wait.h"

#include <utility>

#include "library/synchronization/UniqueHandle.h"

namespace NLibrary { namespace NSynchronization {

bool IsValidHandle(const HANDLE& h)
{
    return NResource::CKernelHandleTraits::IsValidValue(h);
}

void CloseValidHandle(HANDLE& h)
{
    if (IsValidHandle(h))
        CUniqueHandle(std::exchange(h, nullptr)).Reset();
}

namespace {

// Windows reports input to one wait only: once reported, it is no longer new
// to later waits, though it stays queued. Wine reports it to every wait until
// it is removed, which would end each later poll at once. Taking the queue's
// status marks what is queued as seen on both, without removing anything.
uint32_t InputReported()
{
    GetQueueStatus(MessageWaitMask);
    return WaitResultMessage;
}

}  // namespace

uint32_t WaitForObjectOrMessage(const HANDLE* h)
{
    if (h == nullptr || !IsValidHandle(*h))
        return WaitResultNone;
    DWORD result =
        MsgWaitForMultipleObjects(1, h, FALSE, MessageWaitPollMilliseconds, MessageWaitMask);
    if (result == WAIT_OBJECT_0)
        return WaitResultSignalled;
    if (result == WAIT_OBJECT_0 + 1)
        return InputReported();
    return WaitResultNone;
}

uint32_t WaitForObjectsOrMessage(HANDLE* signalled, const HANDLE* handles)
{
    if (handles == nullptr)
        return WaitResultNone;
    DWORD result =
        MsgWaitForMultipleObjects(2, handles, FALSE, MessageWaitPollMilliseconds, MessageWaitMask);
    if (result == WAIT_OBJECT_0 || result == WAIT_OBJECT_0 + 1) {
        if (signalled != nullptr)
            *signalled = handles[result - WAIT_OBJECT_0];
        return WaitResultSignalled;
    }
    if (result == WAIT_OBJECT_0 + 2)
        return InputReported();
    return WaitResultNone;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got != 0 && got != -1) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

}}  // namespace NLibrary::NSynchronization
