#include "library/internet/ftp/FTPSessionContext.h"

namespace NLibrary { namespace NInternet { namespace NFTP {

using NSynchronization::NMutex::CMutex;
using NSynchronization::NMutex::CMutexLock;

namespace {

const uint32_t kLastRequest = FTPRequestDeleteFile;
const uint32_t kTextCapacity = 1024;

bool IsInFlight(uint32_t state)
{
    return state % 2 == 1 && state <= kLastRequest;
}

void Notify(IFTPSessionListener& target, uint32_t request, bool success,
            NDatatype::NString::IStringBuffer* text)
{
    switch (request) {
    case FTPRequestConnect:
        target.OnConnectComplete(success);
        break;
    case FTPRequestChangeDirectory:
        target.OnRequest3Complete(success);
        break;
    case FTPRequestCreateDirectory:
        target.OnRequest5Complete(success);
        break;
    case FTPRequestCurrentDirectory:
        target.OnRequest7Complete(text, success);
        break;
    case FTPRequestDownload:
        target.OnRequest9Complete(success);
        break;
    case FTPRequestUpload:
        target.OnRequest11Complete(success);
        break;
    case FTPRequestDeleteFile:
        target.OnRequest13Complete(success);
        break;
    }
}

}  // namespace

CFTPSessionContext::CFTPSessionContext(const boost::shared_ptr<IFTPSessionListener>& listener_,
                                       const boost::shared_ptr<CMutex>& mutex_)
    : listener(listener_), mutex(mutex_), state(0), connection(nullptr), textSize(0)
{
}

CFTPSessionContext::~CFTPSessionContext()
{
}

uint32_t CFTPSessionContext::ReadState(CMutex& lock)
{
    const CMutexLock guard(&lock);
    return guard.IsHeld() ? state : 0;
}

// The state may have been reset (the session closed) since the completion
// read it; such a completion is stale and writes nothing.
bool CFTPSessionContext::WriteCompletion(CMutex& lock, uint32_t request, uint32_t newState,
                                         HINTERNET newConnection)
{
    const CMutexLock guard(&lock);
    if (!guard.IsHeld())
        return true;
    if (state != request)
        return false;
    state = newState;
    if (request == FTPRequestConnect)
        connection = newConnection;
    return true;
}

void CFTPSessionContext::Complete(uint32_t request, const INTERNET_ASYNC_RESULT& result,
                                  CMutex& lock, IFTPSessionListener& target)
{
    const bool success = result.dwError == 0;
    if (request == FTPRequestCurrentDirectory)
        textBuffer.ReleaseBuffer();
    const HINTERNET delivered = success ? reinterpret_cast<HINTERNET>(result.dwResult) : nullptr;
    BeforeCompletionWrite();
    if (!WriteCompletion(lock, request, success ? request + 1 : 0, delivered)) {
        // Nobody else will ever close a connection that arrives this late. It
        // inherited the session's callback, whose context is being torn down:
        // detach it first, as Close does, so the close is not reported there.
        if (request == FTPRequestConnect && delivered != nullptr) {
            InternetSetStatusCallbackW(delivered, nullptr);
            InternetCloseHandle(delivered);
        }
        return;
    }
    Notify(target, request, success, &textBuffer);
}

void CFTPSessionContext::BeforeCompletionWrite()
{
}

void CFTPSessionContext::OnStatus(HINTERNET, DWORD dwInternetStatus, LPVOID lpvStatusInformation,
                                  DWORD)
{
    const boost::shared_ptr<CMutex> lock = mutex;
    if (!lock || !lock->IsValid())
        return;
    const boost::shared_ptr<IFTPSessionListener> target = listener;
    if (!target)
        return;
    const uint32_t current = ReadState(*lock);
    if (!IsInFlight(current) || lpvStatusInformation == nullptr)
        return;
    if (dwInternetStatus == INTERNET_STATUS_REQUEST_COMPLETE)
        Complete(current, *static_cast<const INTERNET_ASYNC_RESULT*>(lpvStatusInformation), *lock,
                 *target);
    else if (dwInternetStatus == INTERNET_STATUS_REQUEST_SENT && current == FTPRequestUpload)
        target->OnRequest11Sent(*static_cast<const DWORD*>(lpvStatusInformation));
}

void CFTPSessionContext::ResetState()
{
    const boost::shared_ptr<CMutex> lock = mutex;
    if (!lock || !lock->IsValid())
        return;
    const CMutexLock guard(lock.get());
    if (guard.IsHeld())
        state = 0;
}

uint32_t CFTPSessionContext::GetConnection(HINTERNET* out)
{
    const boost::shared_ptr<CMutex> lock = mutex;
    if (out == nullptr || !lock || !lock->IsValid())
        return 1;
    const CMutexLock guard(lock.get());
    if (!guard.IsHeld() || connection == nullptr)
        return 1;
    *out = connection;
    return 0;
}

uint32_t CFTPSessionContext::BeginRequest(uint32_t request)
{
    const boost::shared_ptr<CMutex> lock = mutex;
    if (!IsInFlight(request) || !lock || !lock->IsValid())
        return 1;
    const CMutexLock guard(lock.get());
    if (!guard.IsHeld())
        return 1;
    const bool connected = connection != nullptr;
    if (IsInFlight(state) || (request == FTPRequestConnect) == connected)
        return 1;
    state = request;
    return 0;
}

uint32_t CFTPSessionContext::GetState()
{
    const boost::shared_ptr<CMutex> lock = mutex;
    return lock && lock->IsValid() ? ReadState(*lock) : 0;
}

uint32_t CFTPSessionContext::PrepareText(wchar_t** text, DWORD** size)
{
    if (text == nullptr || size == nullptr || textBuffer.GetBuffer(kTextCapacity, text) != 0)
        return 1;
    (*text)[0] = L'\0';
    textSize = textBuffer.GetBufferSize();
    *size = &textSize;
    return 0;
}

void CFTPSessionContext::KeepAlive(const boost::shared_ptr<CFTPSessionContext>& self)
{
    if (self.get() == this)
        keptAlive = self;
}

void CALLBACK FTPStatusCallback(HINTERNET hInternet, DWORD_PTR dwContext, DWORD dwInternetStatus,
                                LPVOID lpvStatusInformation, DWORD dwStatusInformationLength)
{
    if (dwContext == 0)
        return;
    // The session may drop its reference on another thread meanwhile.
    const boost::shared_ptr<CFTPSessionContext> context = boost::atomic_load(
        reinterpret_cast<const boost::shared_ptr<CFTPSessionContext>*>(dwContext));
    if (context)
        context->OnStatus(hInternet, dwInternetStatus, lpvStatusInformation,
                          dwStatusInformationLength);
}

}}}  // namespace NLibrary::NInternet::NFTP
