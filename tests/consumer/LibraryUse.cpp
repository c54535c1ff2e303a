#include "LibraryUse.h"

#include <cwchar>
#include <string>

#include "library/datatype/string/StringBuffer.h"
#include "library/synchronization/Wait.h"
#include "library/window/WindowQueries.h"
#include "library/window/watcher/WindowWatcher.h"

namespace NConsumer {

using NLibrary::NDatatype::NString::CConstantString;
using NLibrary::NDatatype::NString::CDynamicHeapStringBuffer;

bool IsWindowOf(HWND window, DWORD processId, const wchar_t* className)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    CDynamicHeapStringBuffer name;
    return owner == processId && NLibrary::NWin32::NWindow::GetWindowClassName(window, name) == 0
           && NLibrary::NDatatype::NString::AreEqual(name, CConstantString(className), 0);
}

boost::shared_ptr<PROCESS_INFORMATION> StartSelf(const wchar_t* arguments)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(path) + L"\" " + arguments;
    STARTUPINFOW startup = {sizeof(startup)};
    boost::shared_ptr<PROCESS_INFORMATION> process(new PROCESS_INFORMATION(),
                                                   [](PROCESS_INFORMATION* p) {
                                                       if (p->hProcess) {
                                                           TerminateProcess(p->hProcess, 0);
                                                           CloseHandle(p->hProcess);
                                                           CloseHandle(p->hThread);
                                                       }
                                                       delete p;
                                                   });
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, process.get()))
        process.reset();
    return process;
}

bool PumpUntil(const bool& done, HANDLE process, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < milliseconds) {
        if (NLibrary::NSynchronization::WaitForObjectOrMessage(&process)
            == NLibrary::NSynchronization::WaitResultSignalled)
            break;
        NLibrary::NSynchronization::PumpMessages();
    }
    return done;
}

namespace {

struct CWatch
{
    DWORD processId;
    HANDLE seen;
    wchar_t* className;
    uint32_t capacity;
};

// On the watcher's thread: quick, as the watcher asks.
void OnWindowEvent(const NLibrary::NWin32::NWindow::NWatcher::CWindowEvent& event, void* context)
{
    CWatch* watch = static_cast<CWatch*>(context);
    if (event.kind != NLibrary::NWin32::NWindow::NWatcher::WindowEventPosChanged
        || event.snapshot.gone || event.snapshot.processId != watch->processId)
        return;
    wcsncpy(watch->className, event.snapshot.className, watch->capacity - 1);
    watch->className[watch->capacity - 1] = 0;
    SetEvent(watch->seen);
}

}  // namespace

bool WatchForWindowOf(DWORD processId, DWORD milliseconds, wchar_t* className, uint32_t capacity)
{
    CWatch watch = {processId, CreateEventW(nullptr, TRUE, FALSE, nullptr), className, capacity};
    if (watch.seen == nullptr || capacity == 0)
        return false;
    NLibrary::NWin32::NWindow::NWatcher::CWindowWatcher watcher;
    bool seen = false;
    if (watcher.Start(OnWindowEvent, &watch) == 0) {
        seen = WaitForSingleObject(watch.seen, milliseconds) == WAIT_OBJECT_0;
        watcher.Stop();
    }
    CloseHandle(watch.seen);
    return seen;
}

}  // namespace NConsumer
