#pragma once

#include <windows.h>

#include "bench/BenchClock.h"
#include "library/resource/UniqueResource.h"
#include "watcher/HookModule.h"

#include <string>
#include <vector>

#include "zarvowindow1589x64.h"

// Median, spread and tail of a set of samples.
struct Summary
{
    double median, min, max, p90, p99;
    size_t count;
};
Summary Summarise(std::vector<double> samples);

// The four ways the desktop can be hooked while a message is measured.
enum HookVariant
{
    NoHook,
    PassThroughHook,
    OurHookDisabled,
    OurHookEnabled,
    HookVariantCount
};
const char* VariantName(int variant);

// Our DLL and the pass-through DLL, loaded into the bench and switched between.
class Hooks
{
public:
    explicit Hooks(HWND notifyWindow);
    ~Hooks();
    bool Loaded() const;
    // Removes whatever hook is installed and installs the variant's.
    bool Apply(HookVariant variant);

private:
    HWND notifyWindow_;
    NLibrary::NWin32::NWindow::NWatcher::CHookModule ours_;
    NLibrary::NResource::CUniqueModule passThrough_;
    HOOKPROC passThroughProc_ = nullptr;
    HHOOK passThroughHook_ = nullptr;
};

// A hooked worker process and its top-level window.
class Worker
{
public:
    explicit Worker(HWND benchWindow);
    // A worker in another mode (see HookBenchWorker.cpp), ready once it has
    // reported `windows` windows.
    Worker(HWND benchWindow, const std::wstring& mode, size_t windows);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    HWND Window() const { return windows_.empty() ? nullptr : windows_.front(); }
    // In the order reported; a churn window is at its slot less the first slot.
    const std::vector<HWND>& Windows() const { return windows_; }

private:
    PROCESS_INFORMATION process_ = {};
    std::vector<HWND> windows_;
};

// Takes messages from the bench thread's queue until `done` says so or the
// deadline passes; returns false on the deadline.
template <typename Done>
bool PumpUntil(DWORD timeoutMs, Done done)
{
    const DWORD deadline = GetTickCount() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (done(message))
                return true;
            DispatchMessageW(&message);
        }
        const LONG left = LONG(deadline - GetTickCount());
        if (left <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left), QS_ALLINPUT);
    }
}

// The two measurements; each prints its own table.
void MeasureMessageCost(Hooks& hooks, HWND benchWindow);
void MeasureNotificationLatency(Hooks& hooks, HWND benchWindow);
