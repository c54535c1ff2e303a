#pragma once

#include <winsock2.h>
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "library/resource/UniqueResource.h"

// A one-connection FTP control server on 127.0.0.1 (an ephemeral port) for
// tests that need WinInet to wait on a reply. It logs in anyone, answers PWD
// with the given directory and, when asked to, holds that reply back until
// ReleaseReply(). One thread; every wait is bounded, so a test that goes
// wrong ends instead of hanging.
class CScriptedFTPServer
{
public:
    CScriptedFTPServer(const std::string& directory, bool holdCurrentDirectoryReply);
    ~CScriptedFTPServer();

    CScriptedFTPServer(const CScriptedFTPServer&) = delete;
    CScriptedFTPServer& operator=(const CScriptedFTPServer&) = delete;

    bool IsListening() const { return port != 0; }
    unsigned short GetPort() const { return port; }

    // True once PWD has arrived (its reply possibly held back).
    bool WaitForCurrentDirectoryRequest(DWORD milliseconds);
    void ReleaseReply();
    // True once the client has gone (or the server gave up on it).
    bool WaitForEnd(DWORD milliseconds);
    // Every command received so far, verb first ("USER anonymous", "PWD").
    std::vector<std::string> GetCommands();

private:
    void Serve();
    void Converse(SOCKET client);
    bool ReadLine(SOCKET client, std::string* line);
    void Answer(SOCKET client, const std::string& command);

    std::string directory;
    bool hold;
    bool winsockStarted;
    SOCKET listener;
    unsigned short port;
    NLibrary::NResource::CUniqueHandle requested;
    NLibrary::NResource::CUniqueHandle released;
    NLibrary::NResource::CUniqueHandle ended;
    std::string pending;
    std::mutex lock;
    std::vector<std::string> commands;
    std::thread thread;
};
