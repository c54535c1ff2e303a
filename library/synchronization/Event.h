#pragma once

#include <windows.h>

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

    unsigned int Create();
    unsigned int Set();
    // True only when the event was signalled within the time-out.
    bool Wait(DWORD milliseconds);
    HANDLE GetHandle() const;

private:
    HANDLE handle;
    int mode;
    int manualReset;
};

}}}  // namespace NLibrary::NSynchronization::NEvent
