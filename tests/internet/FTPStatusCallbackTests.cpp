#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "RecordingFTPListener.h"
#include "library/internet/ftp/FTPSessionContext.h"

using namespace NLibrary::NInternet::NFTP;
using NLibrary::NSynchronization::NMutex::CMutex;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

const HINTERNET kConnection = reinterpret_cast<HINTERNET>(0x5A5A);

// A context as a session makes it, driven through FTPStatusCallback with the
// records WinInet delivers.
class StatusCallback : public testing::Test
{
protected:
    StatusCallback()
        : listener(new CRecordingFTPListener()), mutex(new CMutex()),
          context(new CFTPSessionContext(listener, mutex))
    {
    }

    DWORD_PTR Context() const { return reinterpret_cast<DWORD_PTR>(&context); }

    void Complete(DWORD_PTR result, DWORD error)
    {
        INTERNET_ASYNC_RESULT record = {result, error};
        FTPStatusCallback(kConnection, Context(), INTERNET_STATUS_REQUEST_COMPLETE, &record,
                          sizeof(record));
    }

    void Notify(DWORD status, DWORD value)
    {
        FTPStatusCallback(kConnection, Context(), status, &value, sizeof(value));
    }

    void Connect()
    {
        ASSERT_EQ(0u, context->BeginRequest(FTPRequestConnect));
        Complete(reinterpret_cast<DWORD_PTR>(kConnection), 0);
        ASSERT_EQ(2u, context->GetState());
        listener->TakeCalls();
    }

    boost::shared_ptr<CRecordingFTPListener> listener;
    boost::shared_ptr<CMutex> mutex;
    boost::shared_ptr<CFTPSessionContext> context;
};

struct CStateRow
{
    uint32_t request;
    const char* onSuccess;
    const char* onFailure;
};

const CStateRow kStateTable[] = {
    {3,  "Request3(1)",  "Request3(0)" },
    {5,  "Request5(1)",  "Request5(0)" },
    {7,  "Request7(,1)", "Request7(,0)"},
    {9,  "Request9(1)",  "Request9(0)" },
    {11, "Request11(1)", "Request11(0)"},
    {13, "Request13(1)", "Request13(0)"},
};

}  // namespace

TEST_F(StatusCallback, SuccessfulConnectHoldsTheDeliveredConnection)
{
    HINTERNET held = nullptr;
    EXPECT_EQ(1u, context->GetConnection(&held));
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestConnect));
    EXPECT_EQ(1u, context->GetState());
    Complete(reinterpret_cast<DWORD_PTR>(kConnection), 0);
    EXPECT_EQ(2u, context->GetState());
    EXPECT_THAT(listener->Calls(), ElementsAre("Connect(1)"));
    ASSERT_EQ(0u, context->GetConnection(&held));
    EXPECT_EQ(kConnection, held);
}

TEST_F(StatusCallback, FailedConnectLeavesStateZeroAndNoConnection)
{
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestConnect));
    Complete(0, ERROR_INTERNET_CANNOT_CONNECT);
    EXPECT_EQ(0u, context->GetState());
    EXPECT_THAT(listener->Calls(), ElementsAre("Connect(0)"));
    HINTERNET held = nullptr;
    EXPECT_EQ(1u, context->GetConnection(&held));
}

TEST_F(StatusCallback, EveryRequestMovesToItsEvenStateOrToZero)
{
    Connect();
    for (const CStateRow& row : kStateTable) {
        SCOPED_TRACE(row.request);
        ASSERT_EQ(0u, context->BeginRequest(row.request));
        EXPECT_EQ(row.request, context->GetState());
        Complete(1, 0);
        EXPECT_EQ(row.request + 1, context->GetState());
        EXPECT_THAT(listener->TakeCalls(), ElementsAre(row.onSuccess));

        ASSERT_EQ(0u, context->BeginRequest(row.request));
        Complete(0, ERROR_INTERNET_EXTENDED_ERROR);
        EXPECT_EQ(0u, context->GetState());
        EXPECT_THAT(listener->TakeCalls(), ElementsAre(row.onFailure));
        HINTERNET held = nullptr;
        EXPECT_EQ(0u, context->GetConnection(&held));  // a failed request keeps the connection
    }
}

TEST_F(StatusCallback, CurrentDirectoryRequestDeliversTheTextBuffer)
{
    Connect();
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestCurrentDirectory));
    wchar_t* text = nullptr;
    DWORD* size = nullptr;
    ASSERT_EQ(0u, context->PrepareText(&text, &size));
    EXPECT_GE(*size, 261u);
    wcscpy(text, L"/upload/sub");
    Complete(1, 0);
    EXPECT_THAT(listener->Calls(), ElementsAre("Request7(/upload/sub,1)"));
}

TEST_F(StatusCallback, RequestSentReportsUploadProgressOnlyWhileUploading)
{
    Connect();
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestUpload));
    Notify(INTERNET_STATUS_REQUEST_SENT, 4096);
    Notify(INTERNET_STATUS_REQUEST_SENT, 100);
    EXPECT_EQ(11u, context->GetState());
    Complete(1, 0);
    Notify(INTERNET_STATUS_REQUEST_SENT, 7);  // state 12
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestChangeDirectory));
    Notify(INTERNET_STATUS_REQUEST_SENT, 8);  // state 3
    EXPECT_EQ(3u, context->GetState());
    EXPECT_THAT(listener->Calls(), ElementsAre("Sent11(4096)", "Sent11(100)", "Request11(1)"));
}

TEST_F(StatusCallback, NotificationsWithNothingInFlightAreIgnored)
{
    Complete(reinterpret_cast<DWORD_PTR>(kConnection), 0);  // state 0
    Notify(INTERNET_STATUS_REQUEST_SENT, 1);
    Connect();
    Complete(1, 0);  // state 2
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestDownload));
    Complete(1, 0);
    Complete(1, 0);  // state 10
    EXPECT_EQ(10u, context->GetState());
    EXPECT_THAT(listener->Calls(), ElementsAre("Request9(1)"));
}

TEST_F(StatusCallback, OtherNotificationsLeaveTheRequestInFlight)
{
    Connect();
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestCreateDirectory));
    INTERNET_ASYNC_RESULT created = {reinterpret_cast<DWORD_PTR>(kConnection), 0};
    FTPStatusCallback(kConnection, Context(), INTERNET_STATUS_HANDLE_CREATED, &created,
                      sizeof(created));
    Notify(INTERNET_STATUS_RESPONSE_RECEIVED, 20);
    Notify(INTERNET_STATUS_HANDLE_CLOSING, 0);
    FTPStatusCallback(kConnection, Context(), INTERNET_STATUS_REQUEST_COMPLETE, nullptr, 0);
    EXPECT_EQ(5u, context->GetState());
    EXPECT_THAT(listener->Calls(), IsEmpty());
}

TEST_F(StatusCallback, ResetStateMakesALaterCompletionStale)
{
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestConnect));
    context->ResetState();
    EXPECT_EQ(0u, context->GetState());
    Complete(reinterpret_cast<DWORD_PTR>(kConnection), 0);
    EXPECT_THAT(listener->Calls(), IsEmpty());
    HINTERNET held = nullptr;
    EXPECT_EQ(1u, context->GetConnection(&held));
}

TEST_F(StatusCallback, NullOrEmptyContextReturnsAtOnce)
{
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestConnect));
    INTERNET_ASYNC_RESULT record = {reinterpret_cast<DWORD_PTR>(kConnection), 0};
    FTPStatusCallback(kConnection, 0, INTERNET_STATUS_REQUEST_COMPLETE, &record, sizeof(record));
    boost::shared_ptr<CFTPSessionContext> empty;
    FTPStatusCallback(kConnection, reinterpret_cast<DWORD_PTR>(&empty),
                      INTERNET_STATUS_REQUEST_COMPLETE, &record, sizeof(record));
    EXPECT_EQ(1u, context->GetState());
    EXPECT_THAT(listener->Calls(), IsEmpty());
}

TEST_F(StatusCallback, BeginRequestRefusesWhatCannotRunNow)
{
    EXPECT_EQ(1u, context->BeginRequest(FTPRequestChangeDirectory));  // not connected
    EXPECT_EQ(1u, context->BeginRequest(2));
    EXPECT_EQ(1u, context->BeginRequest(15));
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestConnect));
    EXPECT_EQ(1u, context->BeginRequest(FTPRequestConnect));  // in flight
    Complete(reinterpret_cast<DWORD_PTR>(kConnection), 0);
    EXPECT_EQ(1u, context->BeginRequest(FTPRequestConnect));  // already connected
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestUpload));
    EXPECT_EQ(1u, context->BeginRequest(FTPRequestDeleteFile));  // upload in flight
}

TEST(StatusCallbackParties, MissingListenerOrMutexIgnoresNotifications)
{
    boost::shared_ptr<CRecordingFTPListener> listener(new CRecordingFTPListener());
    boost::shared_ptr<CFTPSessionContext> noMutex(
        new CFTPSessionContext(listener, boost::shared_ptr<CMutex>()));
    EXPECT_EQ(1u, noMutex->BeginRequest(FTPRequestConnect));
    HINTERNET held = nullptr;
    EXPECT_EQ(1u, noMutex->GetConnection(&held));
    INTERNET_ASYNC_RESULT record = {1, 0};
    FTPStatusCallback(nullptr, reinterpret_cast<DWORD_PTR>(&noMutex),
                      INTERNET_STATUS_REQUEST_COMPLETE, &record, sizeof(record));

    boost::shared_ptr<CFTPSessionContext> noListener(new CFTPSessionContext(
        boost::shared_ptr<IFTPSessionListener>(), boost::shared_ptr<CMutex>(new CMutex())));
    ASSERT_EQ(0u, noListener->BeginRequest(FTPRequestConnect));
    FTPStatusCallback(nullptr, reinterpret_cast<DWORD_PTR>(&noListener),
                      INTERNET_STATUS_REQUEST_COMPLETE, &record, sizeof(record));
    EXPECT_EQ(1u, noListener->GetState());
    EXPECT_THAT(listener->Calls(), IsEmpty());
}

namespace {

// Checks from another thread that nobody holds the context's mutex while it
// is being called.
class CMutexProbingListener : public CRecordingFTPListener
{
public:
    explicit CMutexProbingListener(const boost::shared_ptr<CMutex>& mutex_) : mutex(mutex_) {}
    void OnConnectComplete(bool success) override
    {
        Probe();
        CRecordingFTPListener::OnConnectComplete(success);
    }
    void OnRequest11Sent(uint32_t bytes) override
    {
        Probe();
        CRecordingFTPListener::OnRequest11Sent(bytes);
    }
    std::atomic<int> heldDuringCall {0};

private:
    void Probe()
    {
        std::thread other([this] {
            if (mutex->Lock(0) == 0)
                mutex->Unlock();
            else
                ++heldDuringCall;
        });
        other.join();
    }
    boost::shared_ptr<CMutex> mutex;
};

}  // namespace

TEST(StatusCallbackLocking, ListenerIsCalledWithTheMutexReleased)
{
    boost::shared_ptr<CMutex> mutex(new CMutex());
    boost::shared_ptr<CMutexProbingListener> listener(new CMutexProbingListener(mutex));
    boost::shared_ptr<CFTPSessionContext> context(new CFTPSessionContext(listener, mutex));
    const DWORD_PTR ref = reinterpret_cast<DWORD_PTR>(&context);
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestConnect));
    INTERNET_ASYNC_RESULT record = {reinterpret_cast<DWORD_PTR>(kConnection), 0};
    FTPStatusCallback(nullptr, ref, INTERNET_STATUS_REQUEST_COMPLETE, &record, sizeof(record));
    ASSERT_EQ(0u, context->BeginRequest(FTPRequestUpload));
    DWORD sent = 512;
    FTPStatusCallback(nullptr, ref, INTERNET_STATUS_REQUEST_SENT, &sent, sizeof(sent));
    EXPECT_THAT(listener->Calls(), ElementsAre("Connect(1)", "Sent11(512)"));
    EXPECT_EQ(0, listener->heldDuringCall.load());
}
