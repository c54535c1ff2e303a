#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "library/internet/ftp/FTPSessionContext.h"

namespace NLibrary { namespace NInternet { namespace NFTP {

// Drives FTP requests through WinInet in asynchronous mode. One request runs
// at a time; each call below starts one and returns 0 when it is under way,
// and its outcome reaches the listener (see IFTPSessionListener for the
// request numbers). A request that WinInet refuses at once is reported to the
// listener as failed as well, and so is one that WinInet would mishandle: a
// transfer whose local file cannot be opened, a remote name that the ANSI
// code page cannot carry.
class CFTPSession
{
public:
    CFTPSession();
    virtual ~CFTPSession();

    CFTPSession(const CFTPSession&) = delete;
    CFTPSession& operator=(const CFTPSession&) = delete;

    // Opens the internet handle and registers the status callback. owner, if
    // given, is kept alive until the session is released.
    uint32_t Open(const boost::shared_ptr<IFTPSessionListener>& listener,
                  const boost::shared_ptr<void>& owner = boost::shared_ptr<void>());

    uint32_t Connect(const wchar_t* server, INTERNET_PORT port, const wchar_t* user,
                     const wchar_t* password);
    uint32_t ChangeDirectory(const wchar_t* directory);
    uint32_t MakeDirectory(const wchar_t* directory);
    uint32_t ReadCurrentDirectory();
    uint32_t Download(const wchar_t* remoteFile, const wchar_t* localFile);
    uint32_t Upload(const wchar_t* localFile, const wchar_t* remoteFile);
    uint32_t RemoveFile(const wchar_t* remoteFile);

    bool IsOpen() const { return open != 0; }
    boost::shared_ptr<CFTPSessionContext> GetContext() const { return context; }
    // The dwContext value that WinInet hands to FTPStatusCallback.
    DWORD_PTR GetCallbackContext() const { return reinterpret_cast<DWORD_PTR>(&context); }

    // Resets the state, closes the connection, removes the callback and
    // closes the internet handle, then releases the context and the owner.
    void Close();
    void Release();

private:
    template <typename Call>
    uint32_t Issue(uint32_t request, Call call);

    BYTE open;
    boost::shared_ptr<void> ownerRef;
    boost::shared_ptr<CFTPSessionContext> context;
    HINTERNET internetHandle;
};

}}}  // namespace NLibrary::NInternet::NFTP
