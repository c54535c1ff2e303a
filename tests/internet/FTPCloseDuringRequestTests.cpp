#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>

#include <string>

#include "RecordingFTPListener.h"
#include "ScriptedFTPServer.h"
#include "library/internet/ftp/FTPSession.h"

using namespace NLibrary::NInternet::NFTP;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

const DWORD kReplyWait = 10000;

std::string LongDirectory() { return "/held/" + std::string(900, 'd'); }

// A callback that has just called the listener may still hold its reference.
bool ExpiresSoon(const boost::weak_ptr<CFTPSessionContext>& context)
{
    for (DWORD waited = 0; waited < kReplyWait && !context.expired(); waited += 10)
        Sleep(10);
    return context.expired();
}

std::string Narrow(const wchar_t* text)
{
    std::string narrow;
    for (const wchar_t* c = text; *c != 0; ++c)
        narrow += static_cast<char>(*c < 128 ? *c : '?');
    return narrow;
}

class FTPCloseDuringRequest : public testing::Test
{
protected:
    void SetUp() override { listener.reset(new RecordingFTPListener()); }

    void OpenAndConnect(CFTPSession& session, const ScriptedFTPServer& server)
    {
        ASSERT_TRUE(server.IsListening());
        ASSERT_EQ(0u, session.Open(listener));
        ASSERT_EQ(0u, session.Connect(L"127.0.0.1", server.GetPort(), L"tester", L"secret"));
        ASSERT_TRUE(listener->WaitForCompletion());
        ASSERT_THAT(listener->TakeCalls(), ElementsAre("Connect(1)"));
    }

    boost::shared_ptr<RecordingFTPListener> listener;
};

}  // namespace

// Once the connection is closed WinInet says nothing more about the
// current-directory request, but its worker may still write the reply into
// the context's text storage; so the context stays.
TEST_F(FTPCloseDuringRequest, ContextOutlivesASessionClosedWhileReadingTheDirectory)
{
    ScriptedFTPServer server(LongDirectory(), true);
    boost::weak_ptr<CFTPSessionContext> context;
    wchar_t* text = nullptr;
    {
        CFTPSession session;
        OpenAndConnect(session, server);
        context = session.GetContext();
        DWORD* size = nullptr;
        ASSERT_EQ(0u, session.GetContext()->PrepareText(&text, &size));  // the storage WinInet gets
        ASSERT_EQ(0u, session.ReadCurrentDirectory());
        ASSERT_TRUE(server.WaitForCurrentDirectoryRequest(kReplyWait));
    }
    EXPECT_FALSE(context.expired());
    // A status notification still running on a WinInet thread may hold a
    // copy for a moment.
    for (DWORD waited = 0; waited < kReplyWait && listener.use_count() != 2; waited += 20)
        Sleep(20);
    EXPECT_EQ(2, listener.use_count());

    // Wine's worker does write the reply after the close: into storage that
    // is still the context's.
    server.ReleaseReply();
    EXPECT_TRUE(server.WaitForEnd(kReplyWait));
    const boost::shared_ptr<CFTPSessionContext> kept = context.lock();
    ASSERT_TRUE(kept);
    for (DWORD waited = 0; waited < kReplyWait && Narrow(text) != LongDirectory(); waited += 20)
        Sleep(20);
    EXPECT_EQ(LongDirectory(), Narrow(text));
    EXPECT_THAT(listener->Calls(), IsEmpty());
}

TEST_F(FTPCloseDuringRequest, ContextIsReleasedWhenTheDirectoryWasRead)
{
    ScriptedFTPServer server(LongDirectory(), false);
    boost::weak_ptr<CFTPSessionContext> context;
    {
        CFTPSession session;
        OpenAndConnect(session, server);
        context = session.GetContext();
        ASSERT_EQ(0u, session.ReadCurrentDirectory());
        ASSERT_TRUE(listener->WaitForCompletion());
        EXPECT_THAT(listener->TakeCalls(), ElementsAre("Request7(" + LongDirectory() + ",1)"));
    }
    EXPECT_TRUE(ExpiresSoon(context));
    EXPECT_EQ(1, listener.use_count());
}

TEST_F(FTPCloseDuringRequest, ContextIsReleasedWhenNoRequestRuns)
{
    ScriptedFTPServer server(LongDirectory(), false);
    boost::weak_ptr<CFTPSessionContext> context;
    CFTPSession session;
    OpenAndConnect(session, server);
    context = session.GetContext();
    session.Close();
    EXPECT_TRUE(ExpiresSoon(context));
    EXPECT_EQ(1, listener.use_count());
}
