/* A module that makes every thread of its process begin late: its
 * thread-attach notification, which the loader runs in each new thread before
 * the thread's own procedure, sleeps for the time last given to
 * SetThreadStartDelay. The watcher tests load it to make a watcher's thread
 * start after a chosen delay. */

#include <windows.h>

static volatile LONG Delay = 0;

__declspec(dllexport) void WINAPI SetThreadStartDelay(DWORD milliseconds)
{
    InterlockedExchange(&Delay, (LONG)milliseconds);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_THREAD_ATTACH)
        Sleep((DWORD)InterlockedCompareExchange(&Delay, 0, 0));
    return TRUE;
}
