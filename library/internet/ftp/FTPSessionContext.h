#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "library/datatype/string/StringBuffer.h"
#include "library/synchronization/Mutex.h"

namespace NLibrary { namespace NInternet { namespace NFTP {

// Receives the outcome of each request of an FTP session. Called on WinInet's
// threads, never with the session's mutex held. Requests, by state number:
//    1  connect              InternetConnectW (FTP service, passive transfers)
//    3  change directory     FtpSetCurrentDirectoryW
//    5  create directory     FtpCreateDirectoryW
//    7  current directory    FtpGetCurrentDirectoryW, text into the text buffer
//    9  download a file      FtpGetFileW
//   11  upload a file        FtpPutFileW; progress as INTERNET_STATUS_REQUEST_SENT
//   13  delete a file        FtpDeleteFileW
class IFTPSessionListener
{
public:
    virtual void OnConnectComplete(bool success) = 0;
    virtual void OnRequest3Complete(bool success) = 0;
    virtual void OnRequest5Complete(bool success) = 0;
    virtual void OnRequest7Complete(NDatatype::NString::IStringBuffer* text, bool success) = 0;
    virtual void OnRequest9Complete(bool success) = 0;
    virtual void OnRequest11Sent(uint32_t bytesSent) = 0;
    virtual void OnRequest11Complete(bool success) = 0;
    virtual void OnRequest13Complete(bool success) = 0;

protected:
    // Destroyed through the shared_ptr made for the concrete listener.
    ~IFTPSessionListener() = default;
};

enum FTPRequest : uint32_t
{
    FTPRequestConnect = 1,
    FTPRequestChangeDirectory = 3,
    FTPRequestCreateDirectory = 5,
    FTPRequestCurrentDirectory = 7,
    FTPRequestDownload = 9,
    FTPRequestUpload = 11,
    FTPRequestDeleteFile = 13,
};

// The state a session shares with its status callback: which request is in
// flight (odd), finished well (even) or none (0), and the FTP connection.
// Each WinInet completion becomes one listener call.
class CFTPSessionContext
{
public:
    CFTPSessionContext(const boost::shared_ptr<IFTPSessionListener>& listener,
                       const boost::shared_ptr<NSynchronization::NMutex::CMutex>& mutex);

    virtual void OnStatus(HINTERNET hInternet, DWORD dwInternetStatus, LPVOID lpvStatusInformation,
                          DWORD dwStatusInformationLength);
    virtual ~CFTPSessionContext();

    CFTPSessionContext(const CFTPSessionContext&) = delete;
    CFTPSessionContext& operator=(const CFTPSessionContext&) = delete;

    void ResetState();
    uint32_t GetConnection(HINTERNET* out);

    // Marks a request as in flight. Refused while another one is, when a
    // connect finds a connection already held, and when any other request
    // finds none.
    uint32_t BeginRequest(uint32_t request);
    // The state under the mutex; 0 when the mutex cannot be taken.
    uint32_t GetState();

    // Storage for the text of the current-directory request; stays valid for
    // as long as the context lives.
    uint32_t PrepareText(wchar_t** text, DWORD** size);

    // Makes the context (given as self) its own owner, so it is never
    // destroyed: for a context whose storage WinInet may still write into.
    void KeepAlive(const boost::shared_ptr<CFTPSessionContext>& self);

protected:
    // Runs between a completion's read of the state and its write: a seam for
    // tests that make a Close land exactly there, as it can when WinInet
    // completes on its own thread.
    virtual void BeforeCompletionWrite();

private:
    uint32_t ReadState(NSynchronization::NMutex::CMutex& lock);
    bool WriteCompletion(NSynchronization::NMutex::CMutex& lock, uint32_t request,
                         uint32_t newState, HINTERNET newConnection);
    void Complete(uint32_t request, const INTERNET_ASYNC_RESULT& result,
                  NSynchronization::NMutex::CMutex& lock, IFTPSessionListener& target);

    boost::shared_ptr<IFTPSessionListener> listener;
    boost::shared_ptr<NSynchronization::NMutex::CMutex> mutex;
    uint32_t state;
    HINTERNET connection;
    NDatatype::NString::CDynamicHeapStringBuffer textBuffer;
    DWORD textSize;
    boost::shared_ptr<CFTPSessionContext> keptAlive;
};

// The WinInet status callback of every session. dwContext is the address of a
// shared_ptr<CFTPSessionContext>; the reference is copied for the call.
void CALLBACK FTPStatusCallback(HINTERNET hInternet, DWORD_PTR dwContext, DWORD dwInternetStatus,
                                LPVOID lpvStatusInformation, DWORD dwStatusInformationLength);

}}}  // namespace NLibrary::NInternet::NFTP
