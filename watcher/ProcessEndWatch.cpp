#include "watcher/ProcessEndWatch.h"

#include <new>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

CProcessEndWatch::CProcessEndWatch(ProcessEndedCallback ended, void* context)
    : ended(ended), context(context)
{
}

CProcessEndWatch::~CProcessEndWatch()
{
    ForgetAll();
}

// The callback runs on the wait thread itself: it only hands the process id
// on, and a pool thread would cost a hand-over more.
uint32_t CProcessEndWatch::Watch(DWORD processId)
{
    if (processes.count(processId) != 0)
        return 0;
    std::unique_ptr<CWatchedProcess> watched(new (std::nothrow) CWatchedProcess);
    if (!watched)
        return 1;
    watched->owner = this;
    watched->processId = processId;
    watched->process.Reset(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!watched->process.IsValid())
        return 1;
    CWatchedProcess* registering = watched.get();
    try {
        processes.emplace(processId, std::move(watched));
    } catch (const std::bad_alloc&) {
        return 1;
    }
    if (!RegisterWaitForSingleObject(&registering->wait, registering->process.Get(), OnEnded,
                                     registering, INFINITE,
                                     WT_EXECUTEONLYONCE | WT_EXECUTEINWAITTHREAD)) {
        processes.erase(processId);
        return 1;
    }
    return 0;
}

void CALLBACK CProcessEndWatch::OnEnded(void* parameter, BOOLEAN)
{
    const CWatchedProcess* watched = static_cast<const CWatchedProcess*>(parameter);
    watched->owner->ended(watched->processId, watched->owner->context);
}

void CProcessEndWatch::Forget(DWORD processId)
{
    const auto found = processes.find(processId);
    if (found == processes.end())
        return;
    Release(found->second.get());
    processes.erase(found);
}

void CProcessEndWatch::ForgetAll()
{
    for (auto& watched : processes)
        Release(watched.second.get());
    processes.clear();
}

// INVALID_HANDLE_VALUE: wait for a callback that runs, so that none runs
// once the watched record is deleted.
void CProcessEndWatch::Release(CWatchedProcess* watched)
{
    if (watched->wait != nullptr)
        UnregisterWaitEx(watched->wait, INVALID_HANDLE_VALUE);
    watched->wait = nullptr;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
