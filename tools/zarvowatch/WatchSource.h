#pragma once

// Where the tool's events come from: the window model (position changes
// merged, Present, Gone, Settled and the rest), or with --all-changes the
// watcher's unmerged delivery of every notification of the hook. Both hand
// on events of one form, numbered in order, and the windows that exist.

#include <cstdint>
#include <memory>
#include <vector>

#include "tools/zarvowatch/WatchOptions.h"
#include "watcher/WindowModel.h"

class IWatchSource
{
public:
    virtual ~IWatchSource() = default;

    // As CWindowWatcher::Start (WatcherStatus). The callback runs one event
    // at a time, in sequence order, on the source's own thread (the
    // watcher's Present events on the thread that calls Start, before Start
    // returns); when the source was made with `initial`, each window that
    // exists at the start comes as Present before its other events.
    virtual uint32_t Start(NLibrary::NWin32::NWindow::NWatcher::WindowModelCallback callback,
                           void* context) = 0;
    virtual uint32_t Stop() = 0;

    // The windows that exist, topmost first; each one's sequence is that of
    // the newest event its snapshot already shows. Any thread.
    virtual uint32_t
    CopyWindows(std::vector<NLibrary::NWin32::NWindow::NWatcher::CWindowState>& windows) const = 0;
};

std::unique_ptr<IWatchSource> CreateWatchSource(const CWatchOptions& options, bool initial);

// The two kinds; CreateWatchSource chooses.
std::unique_ptr<IWatchSource> CreateWatcherSource(const std::wstring& dllPath, bool initial);
std::unique_ptr<IWatchSource> CreateModelSource(const std::wstring& dllPath, bool initial);
