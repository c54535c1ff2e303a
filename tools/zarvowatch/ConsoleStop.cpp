#include "tools/zarvowatch/ConsoleStop.h"

namespace {

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
{
    StopRequestedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    StoppedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

CConsoleStop::~CConsoleStop()
{
    Done();
}

bool CConsoleStop::Wait(DWORD milliseconds)
{
    return WaitForSingleObject(StopRequestedEvent, milliseconds) == WAIT_OBJECT_0;
}

void CConsoleStop::Request()
{
    SetEvent(StopRequestedEvent);
}

void CConsoleStop::Done()
{
    SetEvent(StoppedEvent);
}
