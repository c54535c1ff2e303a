#pragma once

// A callback that breaks the owner-thread rule or throws at its first event,
// for the watcher and the model alike.

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace NWatcherTest {

enum CallbackAction
{
    DeleteOwner,  // deletes the watcher or model whose callback it is
    Throw,
};

template <typename TOwner>
struct CRuleBreaker
{
    CallbackAction action;
    TOwner* owner;
    HWND window = nullptr;  // breaks at the first event of this window; null: of any
    std::atomic<int> calls {0};

    template <typename TEvent>
    static void OnEvent(const TEvent& event, void* context)
    {
        CRuleBreaker* rules = static_cast<CRuleBreaker*>(context);
        if ((rules->window != nullptr && event.window != rules->window) || ++rules->calls > 1)
            return;
        if (rules->action == DeleteOwner)
            delete rules->owner;
        else
            throw std::runtime_error("callback failed");
    }
};

}  // namespace NWatcherTest
