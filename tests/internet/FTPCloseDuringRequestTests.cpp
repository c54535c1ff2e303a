#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>

#include <atomic>
#include <string>

#include "RecordingFTPListener.h"
#include "ScriptedFTPServer.h"
#include "library/internet/ftp/FTPSession.h"

using namespace NLibrary::NInternet::NFTP;
using NLibrary::NSynchronization::NMutex::CMutex;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

const DWORD kReplyWait = 10000;

std::string LongDirectory()
{
    return "/held/" + std::string(900, 'd');
}

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
    void SetUp() override { listener.reset(new CRecordingFTPListener()); }

    void OpenAndConnect(CFTPSession& session, const CScriptedFTPServer& server)
    {
        ASSERT_TRUE(server.IsListening());
        ASSERT_EQ(0u, session.Open(listener));
        ASSERT_EQ(0u, session.Connect(L"127.0.0.1", server.GetPort(), L"tester", L"secret"));
        ASSERT_TRUE(listener->WaitForCompletion());
        ASSERT_THAT(listener->TakeCalls(), ElementsAre("Connect(1)"));
    }

    boost::shared_ptr<CRecordingFTPListener> listener;
};

}  // namespace

// Once the connection is closed WinInet says nothing more about the
// current-directory request, but its worker may still write the reply into
// the context's text storage; so the context stays.
TEST_F(FTPCloseDuringRequest, ContextOutlivesASessionClosedWhileReadingTheDirectory)
{
    CScriptedFTPServer server(LongDirectory(), true);
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

// Once nothing runs any more, a closed session's context goes, with the
// listener it held.
TEST_F(FTPCloseDuringRequest, ContextIsReleasedOnceNoRequestRuns)
{
    for (const bool readFirst : {true, false}) {
        SCOPED_TRACE(readFirst ? "after reading the directory" : "without a request");
        CScriptedFTPServer server(LongDirectory(), false);
        boost::weak_ptr<CFTPSessionContext> context;
        {
            CFTPSession session;
            OpenAndConnect(session, server);
            context = session.GetContext();
            if (readFirst) {
                ASSERT_EQ(0u, session.ReadCurrentDirectory());
                ASSERT_TRUE(listener->WaitForCompletion());
                EXPECT_THAT(listener->TakeCalls(),
                            ElementsAre("Request7(" + LongDirectory() + ",1)"));
            }
            session.Close();
        }
        EXPECT_TRUE(ExpiresSoon(context));
        EXPECT_EQ(1, listener.use_count());
    }
}

namespace {

// Lets Close's reset land between a completion's read of the state and its
// write, as it can when WinInet completes on its own thread, and counts what
// reaches the context after that.
class CResetBeforeWriteContext : public CFTPSessionContext
{
public:
    using CFTPSessionContext::CFTPSessionContext;

    void OnStatus(HINTERNET handle, DWORD status, LPVOID information, DWORD length) override
    {
        if (reset)
            ++notificationsAfterReset;
        CFTPSessionContext::OnStatus(handle, status, information, length);
    }

    std::atomic<int> notificationsAfterReset {0};

private:
    void BeforeCompletionWrite() override
    {
        ResetState();
        reset = true;
    }

    std::atomic<bool> reset {false};
};

}  // namespace

// The late connection inherited the callback with the session's context; once
// the session is gone that context is freed memory, so closing the connection
// must not report to it.
TEST(FTPLateConnect, ConnectionArrivingAfterCloseIsClosedWithoutReportingToTheSession)
{
    CScriptedFTPServer server("/", false);
    ASSERT_TRUE(server.IsListening());
    boost::shared_ptr<CRecordingFTPListener> listener(new CRecordingFTPListener());
    const boost::shared_ptr<CResetBeforeWriteContext> late(
        new CResetBeforeWriteContext(listener, boost::shared_ptr<CMutex>(new CMutex())));
    const boost::shared_ptr<CFTPSessionContext> context = late;
    const DWORD_PTR callbackContext = reinterpret_cast<DWORD_PTR>(&context);
    const HINTERNET internet = InternetOpenW(L"NLibrary tests", INTERNET_OPEN_TYPE_DIRECT, nullptr,
                                             nullptr, INTERNET_FLAG_ASYNC);
    ASSERT_NE(nullptr, internet);
    InternetSetStatusCallbackW(internet, &FTPStatusCallback);

    ASSERT_EQ(0u, context->BeginRequest(FTPRequestConnect));
    const HINTERNET connection =
        InternetConnectW(internet, L"127.0.0.1", server.GetPort(), L"tester", L"secret",
                         INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, callbackContext);
    ASSERT_NE(nullptr, connection);
    INTERNET_ASYNC_RESULT record = {reinterpret_cast<DWORD_PTR>(connection), 0};
    FTPStatusCallback(connection, callbackContext, INTERNET_STATUS_REQUEST_COMPLETE, &record,
                      sizeof(record));

    EXPECT_TRUE(server.WaitForEnd(kReplyWait));  // the late connection was closed
    EXPECT_EQ(0, late->notificationsAfterReset.load());
    EXPECT_THAT(listener->Calls(), IsEmpty());
    HINTERNET held = nullptr;
    EXPECT_EQ(1u, context->GetConnection(&held));
    InternetSetStatusCallbackW(internet, nullptr);
    InternetCloseHandle(internet);
}
