#pragma once

// Waiting in a test thread that owns windows: a thread that stops looking at
// its queue for a few seconds makes its windows count as hung, and sent
// messages from other processes wait for it. So every wait pumps.

#include <windows.h>

#include <functional>

namespace NTestSupport {

// Dispatches this thread's messages until none is left, and goes on doing so
// for the given time.
void PumpMessages(DWORD milliseconds = 0);

// Pumps this thread's messages until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMilliseconds = 5000);

}  // namespace NTestSupport
