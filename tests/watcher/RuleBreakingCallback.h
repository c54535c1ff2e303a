#pragma once

// A callback that breaks the owner-thread rule or throws at its first event,
// for the watcher and the model alike.

#include <windows.h>

#include <gtest/gtest.h>

#include "watcher/WatcherStatus.h"

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

// The two ways of breaking the rules, as rows of a table.
struct CRuleRow
{
    const char* label;
    CallbackAction action;
};
const CRuleRow RuleRows[] = {
    {"deletes its owner", DeleteOwner},
    {"throws",            Throw      },
};

// After a throw: still started, the status says so until Stop, and the owner
// is deleted here (after a deletion in the callback there is nothing left).
template <typename TOwner>
void ExpectStoppedAfterAThrow(const CRuleBreaker<TOwner>& rules)
{
    if (rules.action != Throw)
        return;
    EXPECT_TRUE(rules.owner->IsStarted());
    using namespace NLibrary::NWin32::NWindow::NWatcher;
    EXPECT_EQ(WatcherCallbackThrew, rules.owner->GetStatus());
    EXPECT_EQ(WatcherSuccess, rules.owner->Stop());
    EXPECT_EQ(WatcherSuccess, rules.owner->GetStatus());
    delete rules.owner;
}

}  // namespace NWatcherTest
