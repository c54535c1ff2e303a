#pragma once

#include <windows.h>

#include "library/resource/UniqueResource.h"

// Ctrl+C, Ctrl+Break and closing the console ask the tool to stop; the
// handler then waits (up to three seconds, within the time the system
// grants) until the tool says it has cleaned up, so that the hook is removed
// before the process is ended.
class CConsoleStop
{
public:
    CConsoleStop();
    ~CConsoleStop();  // Done
    CConsoleStop(const CConsoleStop&) = delete;
    CConsoleStop& operator=(const CConsoleStop&) = delete;

    // True once asked to stop (or Request was called), false when the time ran out.
    bool Wait(DWORD milliseconds);
    void Request();
    void Done();

private:
    NLibrary::NResource::CUniqueHandle stopRequested;
    NLibrary::NResource::CUniqueHandle stopped;
};
