#include "library/synchronization/Event.h"

#include "library/synchronization/Wait.h"

namespace NLibrary { namespace NSynchronization { namespace NEvent {

CEvent::CEvent() : handle(nullptr), mode(EventModeCreate), manualReset(0)
{
    Create();
}

CEvent::~CEvent() = default;

// The open modes have no name to open by: the library only ever creates
// events, so those modes fail like any other failed open.
uint32_t CEvent::Create()
{
    HANDLE created = nullptr;
    switch (mode) {
    case EventModeCreate:
        created = CreateEventW(nullptr, manualReset == 1, FALSE, nullptr);
        break;
    case EventModeOpenForWait:
        created = OpenEventW(SYNCHRONIZE, FALSE, nullptr);
        break;
    case EventModeOpenForSet:
        created = OpenEventW(EVENT_MODIFY_STATE, FALSE, nullptr);
        break;
    default:
        return 1;
    }
    if (created == nullptr)
        return 1;
    // A handle from an earlier Create stays open: whoever took it through
    // GetHandle may still wait on it.
    static_cast<void>(handle.Release());
    handle.Reset(created);
    return 0;
}

uint32_t CEvent::Set()
{
    if (!handle.IsValid() || !SetEvent(handle.Get()))
        return 1;
    return 0;
}

bool CEvent::Wait(DWORD milliseconds)
{
    if (!handle.IsValid())
        return false;
    return WaitForSingleObject(handle.Get(), milliseconds) == WAIT_OBJECT_0;
}

HANDLE CEvent::GetHandle() const
{
    return handle.Get();
}

bool IsUsable(const boost::shared_ptr<CEvent>& event)
{
    return event && IsValidHandle(event->GetHandle());
}

}}}  // namespace NLibrary::NSynchronization::NEvent
