#include "tools/zarvowatch/ServeMode.h"

#include <atomic>
#include <cstdio>

#include "tools/zarvowatch/ConsoleStop.h"
#include "tools/zarvowatch/StreamServer.h"
#include "tools/zarvowatch/StreamToken.h"
#include "tools/zarvowatch/WatchExitCode.h"
#include "tools/zarvowatch/WatchFilter.h"
#include "tools/zarvowatch/WatchMode.h"
#include "tools/zarvowatch/WatchOutput.h"
#include "tools/zarvowatch/WatchSource.h"

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

const char TakenOverReason[] =
    "another application has taken over the window hook (one per desktop)";

// Turns the source's events into the stream's messages, on the source's
// thread, and hands each to the server once.
class CStreamPublisher
{
public:
    CStreamPublisher(const CWatchOptions& options, CStreamServer& server, CConsoleStop& stop)
        : process(options.process), className(options.className),
          filter(options.process, options.className), server(server), stop(stop),
          start(GetTickCount64())
    {
    }

    static void OnEvent(const NWatcher::CWindowModelEvent& event, void* context)
    {
        CStreamPublisher* publisher = static_cast<CStreamPublisher*>(context);
        if (event.kind == NWatcher::WindowEventTakenOver) {
            fprintf(stderr, "zarvowatch: %s; the stream ends\n", TakenOverReason);
            publisher->takenOver = true;
            publisher->stop.Request();
            return;
        }
        NWatcher::CWindowSnapshot& window = publisher->window;
        if (!publisher->filter.Accept(event, window))
            return;
        auto message = std::make_shared<CStreamEvent>();
        message->sequence = event.sequence;
        message->kind = event.kind;
        message->window = event.window;
        message->merged = event.merged;
        message->image = window.imageName;
        message->className = window.className;
        nlohmann::ordered_json fields = {
            {"type", "event"}
        };
        AddEventFields(fields, event, window, publisher->start);
        message->message = JsonText(fields);
        publisher->server.Publish(message);
    }

    // On the server's thread, for each new client.
    CStreamSnapshot TakeSnapshot(const IWatchSource& source) const
    {
        std::vector<NWatcher::CWindowState> states;
        source.CopyWindows(states);
        CStreamSnapshot snapshot;
        nlohmann::ordered_json message = {
            {"type", "snapshot"},
            {"seq",  0         }
        };
        nlohmann::ordered_json& windows = message["windows"] = nlohmann::ordered_json::array();
        uint64_t newest = 0;
        CWatchFilter snapshotFilter(process, className);
        NWatcher::CWindowModelEvent present;
        present.kind = NWatcher::WindowEventPresent;
        present.arrivalTime = GetTickCount64();
        for (const NWatcher::CWindowState& state : states) {
            present.sequence = state.sequence;
            present.window = state.window;
            present.snapshot = state.snapshot;
            NWatcher::CWindowSnapshot window;
            if (!snapshotFilter.Accept(present, window))
                continue;
            nlohmann::ordered_json fields = nlohmann::ordered_json::object();
            AddEventFields(fields, present, window, start);
            windows.push_back(std::move(fields));
            snapshot.sequences[state.window] = state.sequence;
            newest = std::max(newest, state.sequence);
        }
        message["seq"] = newest;
        snapshot.message = JsonText(message);
        return snapshot;
    }

    bool WasTakenOver() const { return takenOver; }

private:
    std::wstring process;
    std::wstring className;
    CWatchFilter filter;  // the source's thread only
    CStreamServer& server;
    CConsoleStop& stop;
    ULONGLONG start;
    NWatcher::CWindowSnapshot window;
    std::atomic<bool> takenOver {false};
};

}  // namespace

int RunServe(const CWatchOptions& options)
{
    const std::wstring tokenFile =
        options.tokenFile.empty() ? GetDefaultTokenFile() : options.tokenFile;
    CStreamServerSettings settings;
    settings.port = options.port;
    if (tokenFile.empty() || CreateStreamToken(settings.token) != 0) {
        fprintf(stderr, "zarvowatch: cannot make a token (error %lu)\n", GetLastError());
        return WatchExitServeFailed;
    }
    CConsoleStop stop;
    CStreamServer server;
    CStreamPublisher publisher(options, server, stop);
    std::unique_ptr<IWatchSource> source = CreateWatchSource(options, true);
    settings.snapshot = [&publisher, &source] { return publisher.TakeSnapshot(*source); };

    // The port first: a second server on the same port fails here, before it
    // replaces the token of the first or takes its hook.
    std::string error;
    if (server.Start(settings, error) != 0) {
        fprintf(stderr, "zarvowatch: %s\n", error.c_str());
        return WatchExitServeFailed;
    }
    std::wstring fileError;
    if (WriteTokenFile(tokenFile, settings.token, fileError) != 0) {
        fprintf(stderr, "zarvowatch: %ls\n", fileError.c_str());
        return WatchExitServeFailed;
    }
    const uint32_t status = source->Start(CStreamPublisher::OnEvent, &publisher);
    if (status != NWatcher::WatcherSuccess) {
        DeleteFileW(tokenFile.c_str());
        return ReportWatchStartFailure(options, status);
    }
    printf("serving ws://127.0.0.1:%u/ (token in %ls; Ctrl+C stops)\n", server.GetPort(),
           tokenFile.c_str());
    fflush(stdout);
    WatchUntilStopped(options, stop);

    // The hook first: the system gives a closing console five seconds.
    source->Stop();
    server.Stop(StreamCloseGoingAway,
                publisher.WasTakenOver() ? TakenOverReason : "zarvowatch is stopping");
    DeleteFileW(tokenFile.c_str());
    printf("stopped\n");
    fflush(stdout);
    return WatchExitSuccess;
}
