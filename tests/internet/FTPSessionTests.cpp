#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "RecordingFTPListener.h"
#include "library/internet/ftp/FTPSession.h"

using namespace NLibrary::NInternet::NFTP;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

void CompleteThroughCallback(DWORD_PTR callbackContext, DWORD error)
{
    INTERNET_ASYNC_RESULT record = {0, error};
    FTPStatusCallback(nullptr, callbackContext, INTERNET_STATUS_REQUEST_COMPLETE, &record,
                      sizeof(record));
}

// Notes, when it goes, whether another object went before it.
struct CWitness
{
    CWitness(std::atomic<bool>* gone_, const std::atomic<bool>* earlier_, bool* earlierWasGone_)
        : gone(gone_), earlier(earlier_), earlierWasGone(earlierWasGone_)
    {
    }
    ~CWitness()
    {
        if (earlierWasGone != nullptr)
            *earlierWasGone = earlier->load();
        *gone = true;
    }
    std::atomic<bool>* gone;
    const std::atomic<bool>* earlier;
    bool* earlierWasGone;
};

class CWitnessedListener : public CRecordingFTPListener
{
public:
    explicit CWitnessedListener(std::atomic<bool>* gone) : witness(gone, nullptr, nullptr) {}

private:
    CWitness witness;
};

}  // namespace

TEST(FTPSession, CloseOfANeverOpenedSessionOnlyReleases)
{
    CFTPSession session;
    EXPECT_FALSE(session.IsOpen());
    session.Close();
    session.Close();
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(session.GetContext());
}

TEST(FTPSession, RequestsNeedAnOpenConnectedSession)
{
    boost::shared_ptr<CRecordingFTPListener> listener(new CRecordingFTPListener());
    CFTPSession session;
    EXPECT_EQ(1u, session.Connect(L"127.0.0.1", 21, nullptr, nullptr));
    ASSERT_EQ(0u, session.Open(listener));
    EXPECT_EQ(1u, session.Open(listener));
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(1u, session.ChangeDirectory(L"upload"));
    EXPECT_EQ(1u, session.ReadCurrentDirectory());
    EXPECT_EQ(1u, session.Upload(L"C:\\a.bin", L"a.bin"));
    EXPECT_EQ(1u, session.Connect(nullptr, 21, nullptr, nullptr));
    EXPECT_THAT(listener->Calls(), IsEmpty());
}

TEST(FTPSession, CloseDropsTheContextBeforeTheOwner)
{
    std::atomic<bool> listenerGone {false}, ownerGone {false};
    bool listenerWentFirst = false;
    CFTPSession session;
    {
        boost::shared_ptr<CWitnessedListener> listener(new CWitnessedListener(&listenerGone));
        boost::shared_ptr<CWitness> owner(
            new CWitness(&ownerGone, &listenerGone, &listenerWentFirst));
        ASSERT_EQ(0u, session.Open(listener, owner));
    }
    EXPECT_FALSE(ownerGone);
    session.Close();
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(session.GetContext());
    EXPECT_TRUE(ownerGone);
    EXPECT_TRUE(listenerWentFirst);
}

TEST(FTPSession, FailedConnectReachesTheListener)
{
    boost::shared_ptr<CRecordingFTPListener> listener(new CRecordingFTPListener());
    CFTPSession session;
    ASSERT_EQ(0u, session.Open(listener));
    ASSERT_EQ(0u, session.Connect(L"127.0.0.1", 1, L"anonymous", L"x@y"));  // nobody listens
    ASSERT_TRUE(listener->WaitForCompletion());
    EXPECT_THAT(listener->Calls(), ElementsAre("Connect(0)"));
    EXPECT_EQ(0u, session.GetContext()->GetState());
    EXPECT_EQ(1u, session.ChangeDirectory(L"upload"));
}

TEST(FTPSession, NotificationsAfterCloseAreIgnored)
{
    boost::shared_ptr<CRecordingFTPListener> listener(new CRecordingFTPListener());
    CFTPSession session;
    ASSERT_EQ(0u, session.Open(listener));
    const boost::shared_ptr<CFTPSessionContext> context = session.GetContext();
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestConnect));
    session.Close();
    CompleteThroughCallback(session.GetCallbackContext(), 0);
    // Even a notification that still reaches the context finds state 0.
    INTERNET_ASYNC_RESULT record = {0, 0};
    context->OnStatus(nullptr, INTERNET_STATUS_REQUEST_COMPLETE, &record, sizeof(record));
    EXPECT_THAT(listener->Calls(), IsEmpty());
}

namespace {

// Holds a connect completion inside the listener until told to go on.
class CBlockingListener : public CRecordingFTPListener
{
public:
    CBlockingListener(std::atomic<bool>* gone_)
        : gone(gone_), entered(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          proceed(CreateEventW(nullptr, FALSE, FALSE, nullptr))
    {
    }
    ~CBlockingListener() { *gone = true; }
    void OnConnectComplete(bool success) override
    {
        SetEvent(entered.Get());
        WaitForSingleObject(proceed.Get(), 10000);
        CRecordingFTPListener::OnConnectComplete(success);
    }
    std::atomic<bool>* gone;
    NLibrary::NResource::CUniqueHandle entered;
    NLibrary::NResource::CUniqueHandle proceed;
};

}  // namespace

// A callback already running keeps its own references while the session
// closes and drops its own on another thread.
TEST(FTPSessionClose, CallbackInProgressOutlivesClose)
{
    std::atomic<bool> gone {false};
    CFTPSession session;
    CBlockingListener* listener = new CBlockingListener(&gone);
    {
        boost::shared_ptr<CBlockingListener> shared(listener);
        ASSERT_EQ(0u, session.Open(shared));
    }
    ASSERT_EQ(0u, session.GetContext()->BeginRequest(FTPRequestConnect));
    const DWORD_PTR callbackContext = session.GetCallbackContext();
    std::thread wininet([callbackContext] {
        CompleteThroughCallback(callbackContext, ERROR_INTERNET_CANNOT_CONNECT);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(listener->entered.Get(), 10000));
    session.Close();
    EXPECT_FALSE(gone);
    SetEvent(listener->proceed.Get());
    wininet.join();
    EXPECT_TRUE(gone);
}

TEST(FTPSessionClose, NotificationsRacingCloseAreSafe)
{
    boost::shared_ptr<CRecordingFTPListener> listener(new CRecordingFTPListener());
    CFTPSession session;
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(0u, session.Open(listener));
        ASSERT_EQ(0u, session.GetContext()->BeginRequest(FTPRequestConnect));
        std::atomic<bool> stop {false};
        const DWORD_PTR callbackContext = session.GetCallbackContext();
        std::thread wininet([&stop, callbackContext] {
            DWORD value = 1;
            while (!stop)
                FTPStatusCallback(nullptr, callbackContext, INTERNET_STATUS_REQUEST_SENT, &value,
                                  sizeof(value));
        });
        Sleep(1);
        session.Close();
        stop = true;
        wininet.join();
    }
    EXPECT_THAT(listener->Calls(), IsEmpty());
}
