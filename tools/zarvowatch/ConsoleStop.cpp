#include "tools/zarvowatch/ConsoleStop.h"

namespace {

// The handler runs on a thread of the system's: it finds the events of the
// one CConsoleStop that lives.
HANDLE StopRequestedEvent = nullptr;
HANDLE StoppedEvent = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD)
{
    SetEvent(StopRequestedEvent);
    WaitForSingleObject(StoppedEvent, 3000);
    return TRUE;
}

}  // namespace

CConsoleStop::CConsoleStop()
    : stopRequested(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      stopped(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    StopRequestedEvent = stopRequested.Get();
    StoppedEvent = stopped.Get();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

// The handler is removed before its events are closed.
CConsoleStop::~CConsoleStop()
{
    Done();
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool CConsoleStop::Wait(DWORD milliseconds)
{
    return WaitForSingleObject(stopRequested.Get(), milliseconds) == WAIT_OBJECT_0;
}

void CConsoleStop::Request()
{
    SetEvent(stopRequested.Get());
}

void CConsoleStop::Done()
{
    SetEvent(stopped.Get());
}
