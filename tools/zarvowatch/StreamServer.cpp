#include "tools/zarvowatch/StreamServer.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "tools/zarvowatch/StreamSubscription.h"
#include "tools/zarvowatch/StreamToken.h"

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

// Answers (to subscribe messages) not yet sent; a client that sends more
// while it reads nothing has fallen behind.
const size_t MaxRepliesWaiting = 16;
// Connections that have not finished their request yet.
const size_t MaxHandshakes = 16;
const size_t MaxRequestHeaderBytes = 8192;
// What the system buffers for one client: a client that reads nothing holds
// this much and no more before its events start to merge.
const int SendBufferBytes = 64 * 1024;

std::chrono::milliseconds Milliseconds(DWORD milliseconds)
{
    return std::chrono::milliseconds(milliseconds);
}

std::string ErrorMessage(const std::string& text)
{
    return nlohmann::ordered_json({
                                      {"type",  "error"},
                                      {"error", text   }
    })
        .dump();
}

// "TOKEN" of "/?token=TOKEN&..." or of "Bearer TOKEN".
std::string PresentedToken(const http::request<http::empty_body>& request)
{
    const beast::string_view authorization = request[http::field::authorization];
    const beast::string_view scheme = "Bearer ";
    if (authorization.size() > scheme.size()
        && beast::iequals(authorization.substr(0, scheme.size()), scheme))
        return std::string(authorization.substr(scheme.size()));
    const beast::string_view target = request.target();
    const size_t query = target.find('?');
    for (size_t at = query; at != beast::string_view::npos && at < target.size();) {
        const size_t end = std::min(target.find('&', at + 1), target.size());
        const beast::string_view parameter = target.substr(at + 1, end - at - 1);
        if (parameter.substr(0, 6) == "token=")
            return std::string(parameter.substr(6));
        at = end;
    }
    return std::string();
}

}  // namespace

class CStreamServer::CServer
{
public:
    class CConnection;

    explicit CServer(const CStreamServerSettings& settings) : settings(settings) {}

    uint32_t Listen(std::string& error);
    void Run();
    void Accept();
    void Publish(const std::shared_ptr<const CStreamEvent>& event);
    void Stop(uint16_t code, const std::string& reason);
    void Remove(CConnection* connection);
    void NoteIfAllClosed();

    CStreamServerSettings settings;
    asio::io_context io {1};
    asio::executor_work_guard<asio::io_context::executor_type> work {io.get_executor()};
    tcp::acceptor acceptor {io};
    std::thread thread;
    uint16_t port = 0;

    // On the server's thread only.
    std::vector<std::shared_ptr<CConnection>> connections;
    size_t handshaking = 0;
    size_t admitted = 0;  // clients past the checks, counted against the cap
    uint64_t lastId = 0;
    bool stopping = false;

    std::mutex closedMutex;
    std::condition_variable closedChanged;
    bool allClosed = false;
};

class CStreamServer::CServer::CConnection : public std::enable_shared_from_this<CConnection>
{
public:
    CConnection(CServer& server, tcp::socket socket, uint64_t id)
        : server(server), ws(std::move(socket)), queue(server.settings.maxWaitingEvents),
          closeTimer(server.io), id(id)
    {
    }

    void Begin()
    {
        parser.emplace();
        parser->header_limit(MaxRequestHeaderBytes);
        beast::get_lowest_layer(ws).expires_after(
            Milliseconds(server.settings.handshakeMilliseconds));
        http::async_read(ws.next_layer(), readBuffer, *parser,
                         [self = shared_from_this()](beast::error_code error, size_t) {
                             self->OnRequest(error);
                         });
    }

    void Offer(const std::shared_ptr<const CStreamEvent>& event)
    {
        if (state != Open)
            return;
        if (!snapshotSequences.empty()) {
            // Events arrive in sequence order: past the snapshot's newest,
            // none is older than it any more.
            if (event->sequence > snapshotNewest) {
                snapshotSequences.clear();
            } else {
                const auto shown = snapshotSequences.find(event->window);
                if (shown != snapshotSequences.end() && event->sequence <= shown->second)
                    return;
            }
        }
        if (!subscription.Accepts(*event))
            return;
        if (!queue.Push(event)) {
            Close(StreamCloseTryAgainLater,
                  "too far behind: " + std::to_string(queue.GetCount()) + " events were waiting");
            return;
        }
        Write();
    }

    // Sends the close frame after what is being written; a client that
    // takes nothing is dropped after settings.closeMilliseconds.
    void Close(uint16_t code, const std::string& reason)
    {
        if (state != Open) {
            Drop();
            return;
        }
        state = Closing;
        queue.Clear();
        replies.clear();
        printf("client %llu closed: %s\n", static_cast<unsigned long long>(id), reason.c_str());
        fflush(stdout);
        ws.async_close(websocket::close_reason(static_cast<websocket::close_code>(code), reason),
                       [self = shared_from_this()](beast::error_code) { self->Drop(); });
        closeTimer.expires_after(Milliseconds(server.settings.closeMilliseconds));
        closeTimer.async_wait([self = shared_from_this()](beast::error_code error) {
            if (!error)
                self->Drop();
        });
    }

    void Drop()
    {
        if (state == Dropped)
            return;
        if (state == Handshake)
            --server.handshaking;
        else
            --server.admitted;
        state = Dropped;
        beast::error_code ignored;
        closeTimer.cancel();
        beast::get_lowest_layer(ws).socket().shutdown(tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(ws).socket().close(ignored);
        server.Remove(this);
    }

private:
    enum State
    {
        Handshake,  // reading the request
        Upgrading,  // admitted, completing the upgrade
        Open,
        Closing,
        Dropped,
    };

    void OnRequest(beast::error_code error)
    {
        if (error || state != Handshake) {
            Drop();
            return;
        }
        const http::request<http::empty_body>& request = parser->get();
        const std::string port = std::to_string(server.port);
        const beast::string_view host = request[http::field::host];
        const auto origin = request.find(http::field::origin);
        const beast::string_view target = request.target();
        if (!websocket::is_upgrade(request))
            Refuse(http::status::bad_request, "zarvowatch serves WebSocket clients only");
        else if (host != "127.0.0.1:" + port && !beast::iequals(host, "localhost:" + port))
            Refuse(http::status::forbidden, "the Host must be 127.0.0.1:" + port);
        else if (origin != request.end() && origin->value() != "http://127.0.0.1:" + port
                 && !beast::iequals(origin->value(), "http://localhost:" + port))
            Refuse(http::status::forbidden, "pages of other origins may not connect");
        else if (target.substr(0, target.find('?')) != "/")
            Refuse(http::status::not_found, "the stream is at /");
        else if (!IsSameToken(server.settings.token, PresentedToken(request)))
            Refuse(http::status::unauthorized,
                   "the token is missing or wrong (Authorization: Bearer TOKEN, or ?token=TOKEN)");
        else if (server.stopping)
            Refuse(http::status::service_unavailable, "zarvowatch is stopping");
        else if (server.admitted >= server.settings.maxClients)
            Refuse(http::status::service_unavailable,
                   "too many clients (at most " + std::to_string(server.settings.maxClients) + ")");
        else
            Upgrade();
    }

    void Refuse(http::status status, const std::string& reason)
    {
        printf("connection %llu refused: %s\n", static_cast<unsigned long long>(id),
               reason.c_str());
        fflush(stdout);
        auto response =
            std::make_shared<http::response<http::string_body>>(status, parser->get().version());
        response->set(http::field::server, "zarvowatch");
        response->set(http::field::content_type, "text/plain; charset=utf-8");
        response->body() = reason + "\n";
        response->keep_alive(false);
        response->prepare_payload();
        http::async_write(
            ws.next_layer(), *response,
            [self = shared_from_this(), response](beast::error_code, size_t) { self->Drop(); });
    }

    void Upgrade()
    {
        state = Upgrading;
        --server.handshaking;
        ++server.admitted;
        beast::get_lowest_layer(ws).expires_never();
        ws.set_option(
            websocket::stream_base::timeout {Milliseconds(server.settings.handshakeMilliseconds),
                                             websocket::stream_base::none(), false});
        ws.set_option(websocket::stream_base::decorator([](websocket::response_type& response) {
            response.set(http::field::server, "zarvowatch");
        }));
        ws.read_message_max(server.settings.maxMessageBytes);
        ws.async_accept(parser->get(), [self = shared_from_this()](beast::error_code error) {
            self->OnUpgraded(error);
        });
    }

    void OnUpgraded(beast::error_code error)
    {
        if (error || state != Upgrading) {
            Drop();
            return;
        }
        state = Open;
        parser.reset();
        printf("client %llu connected\n", static_cast<unsigned long long>(id));
        fflush(stdout);
        CStreamSnapshot snapshot = server.settings.snapshot();
        snapshotSequences = std::move(snapshot.sequences);
        snapshotNewest = 0;
        for (const auto& window : snapshotSequences)
            snapshotNewest = std::max(snapshotNewest, window.second);
        replies.push_back(std::move(snapshot.message));
        Write();
        Read();
    }

    void Read()
    {
        ws.async_read(readBuffer, [self = shared_from_this()](beast::error_code error, size_t) {
            self->OnRead(error);
        });
    }

    // Frames that break the protocol or exceed the size limit have already
    // been answered by the WebSocket layer with a close frame that says so.
    void OnRead(beast::error_code error)
    {
        if (error) {
            if (state == Open)
                Drop();
            return;
        }
        const std::string text = beast::buffers_to_string(readBuffer.data());
        readBuffer.consume(readBuffer.size());
        std::string reply;
        if (!ws.got_text()) {
            reply = ErrorMessage("messages are JSON text");
        } else {
            std::string problem;
            if (ParseClientMessage(text, subscription, problem))
                reply = DescribeSubscription(subscription).dump();
            else
                reply = ErrorMessage(problem);
        }
        if (replies.size() >= MaxRepliesWaiting) {
            Close(StreamCloseTryAgainLater, "too far behind: it does not take the answers");
            return;
        }
        replies.push_back(std::move(reply));
        Write();
        Read();
    }

    // One message at a time: answers first, then the oldest waiting event.
    void Write()
    {
        if (writing || state != Open)
            return;
        if (!replies.empty()) {
            outgoing = std::move(replies.front());
            replies.pop_front();
        } else if (!queue.IsEmpty()) {
            const CStreamQueue::CWaiting next = queue.Pop();
            outgoing = next.event->Render(next.merged);
        } else {
            return;
        }
        writing = true;
        ws.text(true);
        ws.async_write(asio::buffer(outgoing),
                       [self = shared_from_this()](beast::error_code error, size_t) {
                           self->writing = false;
                           if (error)
                               self->Drop();
                           else
                               self->Write();
                       });
    }

    CServer& server;
    websocket::stream<beast::tcp_stream> ws;
    beast::flat_buffer readBuffer;
    std::optional<http::request_parser<http::empty_body>> parser;
    State state = Handshake;
    CStreamQueue queue;
    std::deque<std::string> replies;
    std::string outgoing;
    bool writing = false;
    CStreamSubscription subscription;
    std::unordered_map<HWND, uint64_t> snapshotSequences;
    uint64_t snapshotNewest = 0;
    asio::steady_timer closeTimer;
    uint64_t id;
};

uint32_t CStreamServer::CServer::Listen(std::string& error)
{
    beast::error_code code;
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), settings.port);
    acceptor.open(endpoint.protocol(), code);
    if (!code) {
        // No other program may bind the port beside us and take clients.
        beast::error_code ignored;
        acceptor.set_option(
            asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>(true), ignored);
        acceptor.bind(endpoint, code);
    }
    if (!code)
        acceptor.listen(asio::socket_base::max_listen_connections, code);
    if (code) {
        error =
            "cannot listen on 127.0.0.1:" + std::to_string(settings.port) + ": " + code.message();
        return 1;
    }
    port = acceptor.local_endpoint().port();
    return 0;
}

void CStreamServer::CServer::Run()
{
    for (;;) {
        try {
            io.run();
            return;
        } catch (const std::exception& exception) {
            fprintf(stderr, "zarvowatch: the stream server: %s\n", exception.what());
        }
    }
}

void CStreamServer::CServer::Accept()
{
    acceptor.async_accept([this](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || stopping)
            return;
        if (!error && handshaking >= MaxHandshakes) {
            beast::error_code ignored;
            socket.close(ignored);
        } else if (!error) {
            beast::error_code ignored;
            socket.set_option(asio::socket_base::send_buffer_size(SendBufferBytes), ignored);
            socket.set_option(tcp::no_delay(true), ignored);
            auto connection = std::make_shared<CConnection>(*this, std::move(socket), ++lastId);
            connections.push_back(connection);
            ++handshaking;
            connection->Begin();
        }
        Accept();
    });
}

void CStreamServer::CServer::Publish(const std::shared_ptr<const CStreamEvent>& event)
{
    asio::post(io, [this, event] {
        const std::vector<std::shared_ptr<CConnection>> current = connections;
        for (const std::shared_ptr<CConnection>& connection : current)
            connection->Offer(event);
    });
}

void CStreamServer::CServer::Stop(uint16_t code, const std::string& reason)
{
    asio::post(io, [this, code, reason] {
        stopping = true;
        beast::error_code ignored;
        acceptor.close(ignored);
        const std::vector<std::shared_ptr<CConnection>> current = connections;
        for (const std::shared_ptr<CConnection>& connection : current)
            connection->Close(code, reason);
        NoteIfAllClosed();
    });
    {
        std::unique_lock<std::mutex> lock(closedMutex);
        closedChanged.wait_for(lock, std::chrono::seconds(2), [this] { return allClosed; });
    }
    work.reset();
    io.stop();
    thread.join();
    connections.clear();
}

void CStreamServer::CServer::Remove(CConnection* connection)
{
    for (auto it = connections.begin(); it != connections.end(); ++it) {
        if (it->get() == connection) {
            connections.erase(it);
            break;
        }
    }
    NoteIfAllClosed();
}

void CStreamServer::CServer::NoteIfAllClosed()
{
    if (!stopping || !connections.empty())
        return;
    std::lock_guard<std::mutex> lock(closedMutex);
    allClosed = true;
    closedChanged.notify_all();
}

CStreamServer::CStreamServer() = default;

CStreamServer::~CStreamServer()
{
    Stop(StreamCloseGoingAway, "zarvowatch is stopping");
}

uint32_t CStreamServer::Start(const CStreamServerSettings& settings, std::string& error)
{
    if (server != nullptr) {
        error = "already serving";
        return 1;
    }
    auto starting = std::make_shared<CServer>(settings);
    if (starting->Listen(error) != 0)
        return 1;
    starting->Accept();
    starting->thread = std::thread([raw = starting.get()] { raw->Run(); });
    server = starting;
    return 0;
}

uint16_t CStreamServer::GetPort() const
{
    return server != nullptr ? server->port : 0;
}

void CStreamServer::Publish(const std::shared_ptr<const CStreamEvent>& event)
{
    if (server != nullptr)
        server->Publish(event);
}

void CStreamServer::Stop(uint16_t code, const std::string& reason)
{
    if (server == nullptr)
        return;
    server->Stop(code, reason);
    server.reset();
}
