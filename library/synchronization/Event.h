#pragma once

#include <windows.h>

#include <stdint.h>

#include <boost/shared_ptr.hpp>

#include "library/synchronization/UniqueHandle.h"

namespace NLibrary { namespace NSynchronization { namespace NEvent {

enum EventMode
{
    EventModeCreate = 0,
    EventModeOpenForWait = 1,
    EventModeOpenForSet = 2
};

// Owner of an unnamed event object, auto-reset unless asked otherwise. Shared
// between its users through boost::shared_ptr; never copied.
class CEvent
{
public:
    CEvent();
    ~CEvent();

    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    uint32_t Create();
    uint32_t Set();
    // True only when the event was signalled within the time-out.
    bool Wait(DWORD milliseconds);
    HANDLE GetHandle() const;

private:
    // Null when there is no event object.
    CUniqueHandle handle;
    int mode;
    int manualReset;
};

// An event that was allocated and holds an event object.
bool IsUsable(const boost::shared_ptr<CEvent>& event);

}}}  // namespace NLibrary::NSynchronization::NEvent
