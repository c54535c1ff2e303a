#include "library/synchronization/Wait.h"

namespace NLibrary { namespace NSynchronization {

bool IsValidHandle(const HANDLE& h)
{
    return h != NULL && h != INVALID_HANDLE_VALUE;
}

void CloseValidHandle(HANDLE& h)
{
    if (!IsValidHandle(h))
        return;
    CloseHandle(h);
    h = NULL;
}

unsigned int WaitForObjectOrMessage(const HANDLE* h)
{
    if (h == NULL || !IsValidHandle(*h))
        return WaitResultNone;
    DWORD result = MsgWaitForMultipleObjects(1, h, FALSE, MessageWaitPollMilliseconds,
                                             MessageWaitMask);
    if (result == WAIT_OBJECT_0)
        return WaitResultSignalled;
    if (result == WAIT_OBJECT_0 + 1)
        return WaitResultMessage;
    return WaitResultNone;
}

unsigned int WaitForObjectsOrMessage(HANDLE* signalled, const HANDLE* handles)
{
    if (handles == NULL)
        return WaitResultNone;
    DWORD result = MsgWaitForMultipleObjects(2, handles, FALSE, MessageWaitPollMilliseconds,
                                             MessageWaitMask);
    if (result == WAIT_OBJECT_0 || result == WAIT_OBJECT_0 + 1)
    {
        if (signalled != NULL)
            *signalled = handles[result - WAIT_OBJECT_0];
        return WaitResultSignalled;
    }
    if (result == WAIT_OBJECT_0 + 2)
        return WaitResultMessage;
    return WaitResultNone;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_NOREMOVE))
    {
        BOOL got = GetMessageW(&msg, NULL, 0, 0);
        if (got != 0 && got != -1)
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

}}  // namespace NLibrary::NSynchronization
