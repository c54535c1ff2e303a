#pragma once

// The event stream's WebSocket server (Boost.Beast over Asio) on 127.0.0.1,
// run by one thread of its own. It knows nothing of windows: it is handed
// each client's first message and the events, and keeps for each client
// what waits to be sent to it (StreamQueue.h).
//
// Who may connect: a client must present the server's token (header
// "Authorization: Bearer TOKEN" or query "?token=TOKEN"); a browser page is
// refused unless it comes from the server's own origin (it serves none), so
// a web page cannot read the user's windows even where it could guess the
// token; the Host must name the loopback address, against pages that rebind
// a name of theirs to it.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "tools/zarvowatch/StreamQueue.h"

// What a new client is sent first, and the sequence of the newest event of
// each window that it already shows: queued events no newer than that are
// not sent to that client.
class CStreamSnapshot
{
public:
    std::string message;
    std::unordered_map<HWND, uint64_t> sequences;
};

class CStreamServerSettings
{
public:
    uint16_t port = 0;  // 0: any free port
    std::string token;
    size_t maxClients = 16;
    size_t maxWaitingEvents = 4096;      // per client; more and it is closed as too far behind
    size_t maxMessageBytes = 16384;      // what a client may send in one message
    DWORD handshakeMilliseconds = 5000;  // to send the request and complete the upgrade
    DWORD closeMilliseconds = 10000;     // for a client to take its close frame, then dropped
    std::function<CStreamSnapshot()> snapshot;  // on the server's thread, for each new client
};

// WebSocket close codes the server uses.
enum StreamCloseCode : uint16_t
{
    StreamCloseGoingAway = 1001,      // the server stops
    StreamCloseTryAgainLater = 1013,  // the client fell too far behind
};

class CStreamServer
{
public:
    CStreamServer();
    ~CStreamServer();  // Stop
    CStreamServer(const CStreamServer&) = delete;
    CStreamServer& operator=(const CStreamServer&) = delete;

    // Binds 127.0.0.1 and starts serving on a thread of its own. 0 on
    // success, 1 with the reason.
    uint32_t Start(const CStreamServerSettings& settings, std::string& error);
    uint16_t GetPort() const;

    // Any thread, in sequence order: hands the event to every client.
    void Publish(const std::shared_ptr<const CStreamEvent>& event);

    // Closes every client with the reason, waits for them up to two seconds
    // and ends the thread.
    void Stop(uint16_t code, const std::string& reason);

private:
    class CServer;
    std::shared_ptr<CServer> server;
};
