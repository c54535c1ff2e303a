#include "library/synchronization/Event.h"

#include "library/synchronization/Wait.h"

namespace NLibrary { namespace NSynchronization { namespace NEvent {

CEvent::CEvent() : handle(NULL), mode(EventModeCreate), manualReset(0)
{
    Create();
}

CEvent::~CEvent()
{
    CloseValidHandle(handle);
}

// The open modes have no name to open by: the library only ever creates
// events, so those modes fail like any other failed open.
unsigned int CEvent::Create()
{
    HANDLE created = NULL;
    switch (mode)
    {
    case EventModeCreate:
        created = CreateEventW(NULL, manualReset == 1, FALSE, NULL);
        break;
    case EventModeOpenForWait:
        created = OpenEventW(SYNCHRONIZE, FALSE, NULL);
        break;
    case EventModeOpenForSet:
        created = OpenEventW(EVENT_MODIFY_STATE, FALSE, NULL);
        break;
    default:
        return 1;
    }
    if (created == NULL)
        return 1;
    handle = created;
    return 0;
}

unsigned int CEvent::Set()
{
    if (!IsValidHandle(handle) || !SetEvent(handle))
        return 1;
    return 0;
}

bool CEvent::Wait(DWORD milliseconds)
{
    if (!IsValidHandle(handle))
        return false;
    return WaitForSingleObject(handle, milliseconds) == WAIT_OBJECT_0;
}

HANDLE CEvent::GetHandle() const
{
    return handle;
}

}}}  // namespace NLibrary::NSynchronization::NEvent
