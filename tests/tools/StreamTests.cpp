// The event stream's parts that need no client: what waits for a slow
// client, what a client may ask for, and who may read the token.

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/tools/ToolTestSupport.h"
#include "tools/zarvowatch/StreamQueue.h"
#include "tools/zarvowatch/StreamSubscription.h"
#include "tools/zarvowatch/StreamToken.h"

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

const NWatcher::WindowEventKind Moved = NWatcher::WindowEventPosChanged,
                                Moving = NWatcher::WindowEventMoving,
                                Enter = NWatcher::WindowEventEnterSizeMove,
                                Destroyed = NWatcher::WindowEventDestroyed;

std::shared_ptr<const CStreamEvent> Event(uint64_t sequence, NWatcher::WindowEventKind kind,
                                          UINT_PTR window, uint32_t merged = 1)
{
    auto event = std::make_shared<CStreamEvent>();
    event->sequence = sequence;
    event->kind = kind;
    event->window = reinterpret_cast<HWND>(window);
    event->merged = merged;
    event->message = "{\"title\":\",\\\"merged\\\":7\",\"seq\":" + std::to_string(sequence)
                     + ",\"merged\":" + std::to_string(merged) + ",\"inferred\":false}";
    return event;
}

TEST(StreamQueue, PositionChangesOfAWindowMergeAndWhatIsSentStaysInSequenceOrder)
{
    // Each row: events pushed into a queue of three, then what Pop hands out
    // as (sequence, changes), oldest first.
    const struct
    {
        const char* name;
        std::vector<std::shared_ptr<const CStreamEvent>> pushed;
        std::vector<std::pair<uint64_t, uint32_t>> sent;
    } rows[] = {
        {"one window's moves become its newest, counted",
         {Event(1, Moved, 1), Event(2, Moved, 1), Event(3, Moved, 1, 4)},
         {{3, 6}}                },
        {"a merged move goes behind the other windows' events",
         {Event(1, Moved, 1), Event(2, Moved, 2), Event(3, Moved, 1)},
         {{2, 1}, {3, 2}}        },
        {"no merge across another event of the window",
         {Event(1, Moved, 1), Event(2, Enter, 1), Event(3, Moved, 1), Event(4, Moved, 1)},
         {{1, 1}, {2, 1}, {4, 2}}},
        {"Moving and WindowPosChanged stay apart",
         {Event(1, Moving, 1), Event(2, Moved, 1), Event(3, Moved, 1)},
         {{1, 1}, {3, 2}}        },
        {"nothing merges into Destroyed",
         {Event(1, Destroyed, 1), Event(2, Destroyed, 1)},
         {{1, 1}, {2, 1}}        },
        {"merging needs no room",
         {Event(1, Moved, 1), Event(2, Moved, 2), Event(3, Moved, 3), Event(4, Moved, 2),
          Event(5, Moved, 1)},
         {{3, 1}, {4, 2}, {5, 2}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CStreamQueue queue(3);
        for (const auto& event : row.pushed)
            ASSERT_TRUE(queue.Push(event));
        std::vector<std::pair<uint64_t, uint32_t>> sent;
        while (!queue.IsEmpty()) {
            const CStreamQueue::CWaiting next = queue.Pop();
            sent.emplace_back(next.event->sequence, next.merged);
        }
        EXPECT_EQ(row.sent, sent);
    }
}

TEST(StreamQueue, AFullQueueRefusesAndAPoppedEventTakesNoMoreMerges)
{
    CStreamQueue queue(2);
    EXPECT_TRUE(queue.Push(Event(1, Moved, 1)));
    EXPECT_TRUE(queue.Push(Event(2, Destroyed, 2)));
    EXPECT_FALSE(queue.Push(Event(3, Destroyed, 3)));
    EXPECT_EQ(1u, queue.Pop().event->sequence);  // being written: window 1's next move is new
    EXPECT_TRUE(queue.Push(Event(4, Moved, 1)));
    EXPECT_EQ(2u, queue.GetCount());
    const CStreamQueue::CWaiting merged = [&] {
        queue.Pop();
        return queue.Pop();
    }();
    EXPECT_EQ(4u, merged.event->sequence);
    EXPECT_EQ(1u, merged.merged);
}

TEST(StreamQueue, AMergedMessageSaysHowManyChangesItStandsFor)
{
    const auto event = Event(9, Moved, 1);
    EXPECT_EQ(event->message, event->Render(1));
    EXPECT_EQ("{\"title\":\",\\\"merged\\\":7\",\"seq\":9,\"merged\":12,\"inferred\":false}",
              event->Render(12));
}

TEST(StreamSubscription, AClientGetsWhatItAsksForOrHearsWhyNot)
{
    CStreamEvent notepadMoved;
    notepadMoved.kind = Moved;
    notepadMoved.image = L"NOTEPAD.EXE";
    notepadMoved.className = L"Notepad";
    const struct
    {
        const char* message;
        bool accepted;
        const char* error;  // a part of it when refused
        bool wanted;        // is notepadMoved sent then
    } rows[] = {
        {R"({"type":"subscribe"})",                                                true,  "",                               true },
        {R"({"type":"subscribe","events":["WindowPosChanged","Gone"]})",           true,  "",                               true },
        {R"({"type":"subscribe","events":["Destroyed"]})",                         true,  "",                               false},
        {R"({"type":"subscribe","images":["notepad.exe"],"classes":["NOTEPAD"]})", true,  "",                               true },
        {R"({"type":"subscribe","images":["calc.exe"],"events":null})",            true,  "",                               false},
        {R"({"type":"subscribe","classes":["Edit","Notepad"]})",                   true,  "",                               true },
        {R"({"type":"subscribe","events":["TakenOver"]})",                         false, "no event is called",             true },
        {R"({"type":"subscribe","images":"notepad.exe"})",                         false, "is a list of names",             true },
        {R"({"type":"subscribe","classes":[1]})",                                  false, "is a list of names",             true },
        {R"({"type":"unsubscribe"})",                                              false, "the one message a client sends", true },
        {R"([{"type":"subscribe"}])",                                              false, "one JSON object",                true },
        {"{\"type\":\"subscribe\",\"images\":[\"\xff\"]}",                         false, "one JSON object",                true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message);
        CStreamSubscription subscription;
        std::string error;
        EXPECT_EQ(row.accepted, ParseClientMessage(row.message, subscription, error));
        EXPECT_NE(std::string::npos, error.find(row.error)) << error;
        EXPECT_EQ(row.wanted, subscription.Accepts(notepadMoved));
    }
}

// Only this user may read the token: its access list lets this user in and
// no group that others belong to (on Windows it holds this user's entry
// alone; Wine derives the list from the file's Unix mode, 0750 here).
TEST(StreamToken, TheTokenFileIsThisUsersAloneAndEachTokenIsNew)
{
    std::string first, second;
    ASSERT_EQ(0u, CreateStreamToken(first));
    ASSERT_EQ(0u, CreateStreamToken(second));
    EXPECT_EQ(64u, first.size());
    EXPECT_NE(first, second);
    EXPECT_TRUE(IsSameToken(first, first));
    EXPECT_FALSE(IsSameToken(first, second));
    EXPECT_FALSE(IsSameToken(first, first.substr(0, 63)));
    EXPECT_FALSE(IsSameToken("", ""));

    const std::wstring path = NToolTestSupport::TempFile(L"token");
    std::wstring error;
    for (const std::string& token : {first, second}) {  // the second replaces the first
        ASSERT_EQ(0u, WriteTokenFile(path, token, error)) << testing::PrintToString(error);
        EXPECT_EQ(token + "\n", NToolTestSupport::ReadFile(path));
    }
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(DWORD(ERROR_SUCCESS),
              GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &access, nullptr, &descriptor));
    ASSERT_NE(nullptr, access);
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE user[256];
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof(user), &size));
    CloseHandle(token);
    const WELL_KNOWN_SID_TYPE others[] = {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid,
                                          WinInteractiveSid};
    bool userAllowed = false;
    for (DWORD i = 0; i < access->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        ASSERT_TRUE(GetAce(access, i, reinterpret_cast<void**>(&entry)));
        if (entry->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        PSID sid = &entry->SidStart;
        userAllowed = userAllowed || EqualSid(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, sid);
        for (WELL_KNOWN_SID_TYPE other : others)
            EXPECT_FALSE(IsWellKnownSid(sid, other)) << "others may read the token: " << other;
    }
    EXPECT_TRUE(userAllowed);
    LocalFree(descriptor);
    DeleteFileW(path.c_str());
}

}  // namespace
