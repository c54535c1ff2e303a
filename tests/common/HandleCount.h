#pragma once

// Counts the handles open in this process by probing the handle table with
// GetHandleInformation. Wine's GetProcessHandleCount is a stub that reports 0,
// so leak checks use this instead. Handles opened meanwhile by other threads
// of the process count too: compare counts taken while the process is quiet.
namespace NTestSupport {

unsigned int CountOpenHandles();

// The lowest count seen over a few probes a little apart, which hides
// short-lived handles of threads that are winding down.
unsigned int CountOpenHandlesSettled();

}  // namespace NTestSupport
