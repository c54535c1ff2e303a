#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "library/resource/UniqueResource.h"

namespace {

using CloseLog = std::vector<std::string>;

// 0 and -1 own nothing, as null and INVALID_HANDLE_VALUE do for kernel
// handles. A close is logged with the name of the owner whose traits did it,
// and spoils the thread's last error as a failing CloseHandle would.
struct CLoggingTraits
{
    using TValue = int;
    static int GetInvalidValue() { return 0; }
    static bool IsValidValue(int value) { return value != 0 && value != -1; }
    void Close(int value) const
    {
        log->push_back(std::string(name) + ":" + std::to_string(value));
        SetLastError(ERROR_INVALID_HANDLE);
    }

    const char* name;
    CloseLog* log;
};
using Owner = NLibrary::NResource::CUniqueResource<CLoggingTraits>;

enum Action
{
    ResetToThree,
    ResetToInvalidValues,
    ResetToTheValueOwned,
    Release,
    MoveAway,
    MoveFirstOntoSecond,
    MoveOntoItself,
    PutFive,
};

// Starts with first owning 1 and second owning 2.
void Do(Action action, Owner& first, Owner& second)
{
    switch (action) {
    case ResetToThree:
        first.Reset(3);
        break;
    case ResetToInvalidValues:
        first.Reset(-1);
        first.Reset();
        first.Reset();
        break;
    case ResetToTheValueOwned:
        first.Reset(first.Get());
        break;
    case Release:
        EXPECT_EQ(1, first.Release());
        break;
    case MoveAway: {
        const Owner taken(std::move(first));
        break;
    }
    case MoveFirstOntoSecond:
        second = std::move(first);
        break;
    case MoveOntoItself: {
        Owner& self = first;
        first = std::move(self);
        break;
    }
    case PutFive:
        *first.Put() = 5;
        break;
    }
}

struct COwnerStep
{
    const char* what;
    Action action;
    CloseLog closedByStep;
    int first, second;    // held after the step
    CloseLog closedLast;  // by the two destructors, sorted
};

const DWORD CallersError = ERROR_FILE_NOT_FOUND;

}  // namespace

TEST(UniqueResource, ClosesOnlyWhatItOwnsAndKeepsTheLastError)
{
    const COwnerStep steps[] = {
        {"reset closes the old value",        ResetToThree,         {"first:1"},  3, 2, {"first:3", "second:2"}},
        {"invalid values are never closed",   ResetToInvalidValues, {"first:1"},  0, 2, {"second:2"}           },
        {"resetting to the value owned",      ResetToTheValueOwned, {},           1, 2, {"first:1", "second:2"}},
        {"release does not close",            Release,              {},           0, 2, {"second:2"}           },
        {"a moved-from owner closes nothing", MoveAway,             {"first:1"},  0, 2, {"second:2"}           },
 // Closed with its own traits; the value takes its traits along.
        {"move assignment",                   MoveFirstOntoSecond,  {"second:2"}, 0, 1, {"first:1"}            },
        {"moving onto itself",                MoveOntoItself,       {},           1, 2, {"first:1", "second:2"}},
        {"put closes the old value",          PutFive,              {"first:1"},  5, 2, {"first:5", "second:2"}},
    };
    for (const COwnerStep& row : steps) {
        SCOPED_TRACE(row.what);
        CloseLog log;
        {
            Owner first(1, {"first", &log}), second(2, {"second", &log});
            SetLastError(CallersError);
            Do(row.action, first, second);
            EXPECT_EQ(CallersError, GetLastError());
            EXPECT_EQ(row.closedByStep, log);
            EXPECT_EQ(row.first, first.Get());
            EXPECT_EQ(row.second, second.Get());
            log.clear();
            SetLastError(CallersError);
        }
        EXPECT_EQ(CallersError, GetLastError());
        std::sort(log.begin(), log.end());
        EXPECT_EQ(row.closedLast, log);
    }
}
