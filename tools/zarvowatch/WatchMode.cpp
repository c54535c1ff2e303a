#include "tools/zarvowatch/WatchMode.h"

#include "library/resource/UniqueResource.h"

#include <cstdio>

#include "tools/zarvowatch/ConsoleStop.h"
#include "tools/zarvowatch/WatchExitCode.h"
#include "tools/zarvowatch/WatchFilter.h"
#include "tools/zarvowatch/WatchOutput.h"
#include "tools/zarvowatch/WatchSource.h"

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

class CWatchPrinter
{
public:
    explicit CWatchPrinter(const CWatchOptions& options)
        : output(options.json), filter(options.process, options.className)
    {
    }

    static void OnEvent(const NWatcher::CWindowModelEvent& event, void* context)
    {
        CWatchPrinter* printer = static_cast<CWatchPrinter*>(context);
        if (event.kind == NWatcher::WindowEventTakenOver) {
            fprintf(stderr, "zarvowatch: another application has taken over the window hook (one "
                            "per desktop); nothing more will be reported\n");
            return;
        }
        NWatcher::CWindowSnapshot window;
        if (printer->filter.Accept(event, window))
            printer->output.Print(event, window);
    }

    CWatchOutput output;
    CWatchFilter filter;
};

}  // namespace

namespace {

bool StartWatchProgram(const std::wstring& commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    const NLibrary::NResource::CUniqueHandle thread(info.hThread), process(info.hProcess);
    return true;
}

}  // namespace

void WatchUntilStopped(const CWatchOptions& options, CConsoleStop& stop)
{
    if (!options.exec.empty() && !StartWatchProgram(options.exec))
        fprintf(stderr, "zarvowatch: cannot start %ls (error %lu)\n", options.exec.c_str(),
                GetLastError());
    const DWORD duration =
        options.durationSeconds > 0 ? DWORD(options.durationSeconds * 1000) : INFINITE;
    stop.Wait(duration);
}

int ReportWatchStartFailure(const CWatchOptions& options, uint32_t status)
{
    if (status == NWatcher::WatcherModuleNotLoaded || status == NWatcher::WatcherWrongModule) {
        const DWORD error =
            status == NWatcher::WatcherWrongModule ? ERROR_PROC_NOT_FOUND : GetLastError();
        fprintf(stderr, "zarvowatch: cannot load %ls (error %lu)\n", options.dllPath.c_str(),
                error);
        return WatchExitModuleNotLoaded;
    }
    fprintf(stderr, "zarvowatch: cannot register the window hook (error %lu)\n", GetLastError());
    return WatchExitRegisterFailed;
}

int RunWatch(const CWatchOptions& options)
{
    CWatchPrinter printer(options);
    std::unique_ptr<IWatchSource> source = CreateWatchSource(options, options.initial);
    const uint32_t status = source->Start(CWatchPrinter::OnEvent, &printer);
    if (status != NWatcher::WatcherSuccess)
        return ReportWatchStartFailure(options, status);
    CConsoleStop stop;
    printer.output.Started();
    WatchUntilStopped(options, stop);

    source->Stop();
    printer.output.Stopped();
    return WatchExitSuccess;
}
