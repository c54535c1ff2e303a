#include "library/internet/ftp/FTPSession.h"

#include "library/internet/ftp/FTPRequestChecks.h"
#include "library/synchronization/NewShared.h"

namespace NLibrary { namespace NInternet { namespace NFTP {

using NSynchronization::NMutex::CMutex;

namespace {

// A context with its mutex, or an empty reference when either cannot be made
// (running out of memory included).
boost::shared_ptr<CFTPSessionContext>
MakeContext(const boost::shared_ptr<IFTPSessionListener>& listener)
{
    const boost::shared_ptr<CMutex> mutex = NSynchronization::NewShared<CMutex>();
    if (!mutex || !mutex->IsValid())
        return boost::shared_ptr<CFTPSessionContext>();
    return NSynchronization::NewShared<CFTPSessionContext>(listener, mutex);
}

// Ends a request before WinInet sees it, the way WinInet's own refusals end.
bool Refuse()
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

}  // namespace

CFTPSession::CFTPSession() : open(0), internetHandle(nullptr)
{
}

CFTPSession::~CFTPSession()
{
    Close();
}

uint32_t CFTPSession::Open(const boost::shared_ptr<IFTPSessionListener>& listener,
                           const boost::shared_ptr<void>& owner)
{
    if (open != 0 || internetHandle != nullptr || !listener)
        return 1;
    const boost::shared_ptr<CFTPSessionContext> made = MakeContext(listener);
    if (!made)
        return 1;
    const HINTERNET handle = InternetOpenW(L"NLibrary", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr,
                                           INTERNET_FLAG_ASYNC);
    if (handle == nullptr)
        return 1;
    if (InternetSetStatusCallbackW(handle, &FTPStatusCallback)
        == INTERNET_INVALID_STATUS_CALLBACK) {
        InternetCloseHandle(handle);
        return 1;
    }
    internetHandle = handle;
    ownerRef = owner;
    boost::atomic_store(&context, made);
    open = 1;
    return 0;
}

// Every request: mark it in flight, then ask WinInet. In asynchronous mode
// WinInet reports the outcome through the callback, whether the call returns
// TRUE (as Wine's does) or FALSE with ERROR_IO_PENDING; any other failure is
// completed here, through the same path.
template <typename Call>
uint32_t CFTPSession::Issue(uint32_t request, Call call)
{
    const boost::shared_ptr<CFTPSessionContext> target = context;
    if (open == 0 || !target)
        return 1;
    HINTERNET connection = nullptr;
    if (request != FTPRequestConnect && target->GetConnection(&connection) != 0)
        return 1;
    if (target->BeginRequest(request) != 0)
        return 1;
    INTERNET_ASYNC_RESULT result = {0, 0};
    if (!call(connection, &result)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING)
            return 0;
        result.dwResult = 0;
        result.dwError = error != 0 ? error : ERROR_INTERNET_INTERNAL_ERROR;
    } else if (request != FTPRequestConnect) {
        return 0;
    }
    target->OnStatus(connection, INTERNET_STATUS_REQUEST_COMPLETE, &result, sizeof(result));
    return 0;
}

// WinInet may make an FTP connection before it returns (Wine always does);
// the handle then completes the request here.
uint32_t CFTPSession::Connect(const wchar_t* server, INTERNET_PORT port, const wchar_t* user,
                              const wchar_t* password)
{
    if (server == nullptr)
        return 1;
    const HINTERNET internet = internetHandle;
    const DWORD_PTR callbackContext = GetCallbackContext();
    return Issue(FTPRequestConnect, [&](HINTERNET, INTERNET_ASYNC_RESULT* result) {
        const HINTERNET handle =
            InternetConnectW(internet, server, port, user, password, INTERNET_SERVICE_FTP,
                             INTERNET_FLAG_PASSIVE, callbackContext);
        result->dwResult = reinterpret_cast<DWORD_PTR>(handle);
        return handle != nullptr;
    });
}

uint32_t CFTPSession::ChangeDirectory(const wchar_t* directory)
{
    if (directory == nullptr)
        return 1;
    return Issue(FTPRequestChangeDirectory, [&](HINTERNET connection, INTERNET_ASYNC_RESULT*) {
        if (!IsSentIntact(directory))
            return Refuse();
        return FtpSetCurrentDirectoryW(connection, directory) != FALSE;
    });
}

uint32_t CFTPSession::MakeDirectory(const wchar_t* directory)
{
    if (directory == nullptr)
        return 1;
    return Issue(FTPRequestCreateDirectory, [&](HINTERNET connection, INTERNET_ASYNC_RESULT*) {
        if (!IsSentIntact(directory))
            return Refuse();
        return FtpCreateDirectoryW(connection, directory) != FALSE;
    });
}

uint32_t CFTPSession::ReadCurrentDirectory()
{
    const boost::shared_ptr<CFTPSessionContext> target = context;
    return Issue(FTPRequestCurrentDirectory, [&](HINTERNET connection, INTERNET_ASYNC_RESULT*) {
        wchar_t* text = nullptr;
        DWORD* size = nullptr;
        if (target->PrepareText(&text, &size) != 0) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        return FtpGetCurrentDirectoryW(connection, text, size) != FALSE;
    });
}

uint32_t CFTPSession::Download(const wchar_t* remoteFile, const wchar_t* localFile)
{
    if (remoteFile == nullptr || localFile == nullptr)
        return 1;
    const DWORD_PTR callbackContext = GetCallbackContext();
    return Issue(FTPRequestDownload, [&](HINTERNET connection, INTERNET_ASYNC_RESULT*) {
        if (!IsSentIntact(remoteFile) || !IsWritableLocalFile(localFile))
            return Refuse();
        return FtpGetFileW(connection, remoteFile, localFile, FALSE, FILE_ATTRIBUTE_NORMAL,
                           FTP_TRANSFER_TYPE_BINARY, callbackContext)
               != FALSE;
    });
}

uint32_t CFTPSession::Upload(const wchar_t* localFile, const wchar_t* remoteFile)
{
    if (remoteFile == nullptr || localFile == nullptr)
        return 1;
    const DWORD_PTR callbackContext = GetCallbackContext();
    return Issue(FTPRequestUpload, [&](HINTERNET connection, INTERNET_ASYNC_RESULT*) {
        if (!IsSentIntact(remoteFile) || !IsReadableLocalFile(localFile))
            return Refuse();
        return FtpPutFileW(connection, localFile, remoteFile, FTP_TRANSFER_TYPE_BINARY,
                           callbackContext)
               != FALSE;
    });
}

uint32_t CFTPSession::RemoveFile(const wchar_t* remoteFile)
{
    if (remoteFile == nullptr)
        return 1;
    return Issue(FTPRequestDeleteFile, [&](HINTERNET connection, INTERNET_ASYNC_RESULT*) {
        if (!IsSentIntact(remoteFile))
            return Refuse();
        return FtpDeleteFileW(connection, remoteFile) != FALSE;
    });
}

void CFTPSession::Close()
{
    if (context) {
        const bool readingDirectory = context->GetState() == FTPRequestCurrentDirectory;
        context->ResetState();
        HINTERNET connection = nullptr;
        if (context->GetConnection(&connection) == 0) {
            // The connection carries its own copy of the callback, which a
            // request still running would call after the session is gone.
            InternetSetStatusCallbackW(connection, nullptr);
            InternetCloseHandle(connection);
        }
        // WinInet's worker may still write the directory into the context's
        // text storage, and with the connection closed nothing tells us when
        // it is done. The context, with its listener and mutex, is leaked on
        // purpose (a few kilobytes per such close) rather than freed under
        // that write.
        if (readingDirectory)
            context->KeepAlive(context);
    }
    if (internetHandle != nullptr) {
        InternetSetStatusCallbackW(internetHandle, nullptr);
        InternetCloseHandle(internetHandle);
        internetHandle = nullptr;
    }
    Release();
}

void CFTPSession::Release()
{
    open = 0;
    // A status callback may be copying this reference on a WinInet thread.
    boost::atomic_store(&context, boost::shared_ptr<CFTPSessionContext>());
    ownerRef.reset();
}

}}}  // namespace NLibrary::NInternet::NFTP
