#include "ScriptedFTPServer.h"

#include <ws2tcpip.h>

namespace {

const long kIdleSeconds = 10;
const DWORD kHoldLimit = 10000;

bool Send(SOCKET client, const std::string& reply)
{
    const std::string line = reply + "\r\n";
    return send(client, line.data(), static_cast<int>(line.size()), 0)
           == static_cast<int>(line.size());
}

bool WaitReadable(SOCKET socket)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit = {kIdleSeconds, 0};
    return select(0, &readable, nullptr, nullptr, &limit) == 1;
}

std::string Verb(const std::string& command)
{
    std::string verb = command.substr(0, command.find(' '));
    for (char& c : verb)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return verb;
}

}  // namespace

CScriptedFTPServer::CScriptedFTPServer(const std::string& directory_, bool hold_)
    : directory(directory_), hold(hold_), winsockStarted(false), listener(INVALID_SOCKET), port(0),
      requested(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      released(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      ended(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    WSADATA data;
    winsockStarted = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    if (!winsockStarted)
        return;
    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (listener == INVALID_SOCKET
        || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0
        || listen(listener, 1) != 0
        || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port = ntohs(address.sin_port);
    thread = std::thread([this] { Serve(); });
}

CScriptedFTPServer::~CScriptedFTPServer()
{
    ReleaseReply();
    if (thread.joinable())
        thread.join();
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    if (winsockStarted)
        WSACleanup();
}

bool CScriptedFTPServer::WaitForCurrentDirectoryRequest(DWORD milliseconds)
{
    return WaitForSingleObject(requested.Get(), milliseconds) == WAIT_OBJECT_0;
}

void CScriptedFTPServer::ReleaseReply()
{
    SetEvent(released.Get());
}

bool CScriptedFTPServer::WaitForEnd(DWORD milliseconds)
{
    return WaitForSingleObject(ended.Get(), milliseconds) == WAIT_OBJECT_0;
}

std::vector<std::string> CScriptedFTPServer::GetCommands()
{
    std::lock_guard<std::mutex> guard(lock);
    return commands;
}

void CScriptedFTPServer::Serve()
{
    if (WaitReadable(listener)) {
        const SOCKET client = accept(listener, nullptr, nullptr);
        if (client != INVALID_SOCKET) {
            Converse(client);
            closesocket(client);
        }
    }
    SetEvent(ended.Get());
}

void CScriptedFTPServer::Converse(SOCKET client)
{
    if (!Send(client, "220 Scripted server ready."))
        return;
    std::string command;
    while (ReadLine(client, &command)) {
        {
            std::lock_guard<std::mutex> guard(lock);
            commands.push_back(command);
        }
        if (Verb(command) == "QUIT") {
            Send(client, "221 Bye.");
            return;
        }
        Answer(client, command);
    }
}

bool CScriptedFTPServer::ReadLine(SOCKET client, std::string* line)
{
    for (;;) {
        const size_t end = pending.find("\r\n");
        if (end != std::string::npos) {
            *line = pending.substr(0, end);
            pending.erase(0, end + 2);
            return true;
        }
        char chunk[512];
        if (!WaitReadable(client))
            return false;
        const int received = recv(client, chunk, sizeof(chunk), 0);
        if (received <= 0)
            return false;
        pending.append(chunk, static_cast<size_t>(received));
    }
}

void CScriptedFTPServer::Answer(SOCKET client, const std::string& command)
{
    const std::string verb = Verb(command);
    if (verb == "USER") {
        Send(client, "331 Any password will do.");
    } else if (verb == "PASS") {
        Send(client, "230 Logged in.");
    } else if (verb == "TYPE") {
        Send(client, "200 Type set.");
    } else if (verb == "PWD") {
        SetEvent(requested.Get());
        if (hold)
            WaitForSingleObject(released.Get(), kHoldLimit);
        Send(client, "257 \"" + directory + "\" is the current directory.");
    } else {
        Send(client, "502 Not implemented.");
    }
}
