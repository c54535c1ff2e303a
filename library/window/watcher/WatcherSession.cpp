#include "library/window/watcher/WatcherSession.h"

#include "library/window/watcher/HookRegistration.h"
#include "library/window/watcher/WindowWatcher.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

// A message-only window: it receives posts from every process but is never
// enumerated, shown or reported to other window managers.
class CNotificationWindow
{
public:
    CNotificationWindow()
        : hwnd(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~CNotificationWindow()
    {
        if (hwnd != nullptr)
            DestroyWindow(hwnd);
    }
    CNotificationWindow(const CNotificationWindow&) = delete;
    CNotificationWindow& operator=(const CNotificationWindow&) = delete;

    HWND Get() const { return hwnd; }

private:
    HWND hwnd;
};

void Dispatch(const MSG& message)
{
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// After Unregister: answers what other threads sent meanwhile and drops the
// notifications, including those that hook procedures already past their
// enable test post late.
void Drain()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsWindowEventMessage(message.message))
            Dispatch(message);
    }
}

}  // namespace

CWatcherSession::CWatcherSession(const boost::shared_ptr<CHookModule>& module,
                                 WindowEventCallback callback, void* context)
    : module(module), callback(callback), context(context), registrationStatus(WatcherFailure),
      registrationError(0), threadId(0)
{
}

CWatcherSession::~CWatcherSession()
{
}

bool CWatcherSession::IsUsable() const
{
    return module && callback != nullptr && registered.GetHandle() != nullptr;
}

uint32_t CWatcherSession::Run(CEvent* stopEvent)
{
    threadId = GetCurrentThreadId();
    CNotificationWindow window;
    if (window.Get() == nullptr) {
        ReportRegistration(WatcherFailure);
        return 1;
    }
    if (RegisterAsOwner(*module, window.Get(), this) != 0) {
        registrationError = GetLastError();
        ReportRegistration(WatcherRegisterFailed);
        return 1;
    }
    ReportRegistration(WatcherSuccess);
    Pump(window.Get(), stopEvent->GetHandle());
    UnregisterIfOwner(*module, this);
    Drain();
    return 0;
}

void CWatcherSession::ReportRegistration(uint32_t status)
{
    registrationStatus = status;
    registered.Set();
}

uint32_t CWatcherSession::WaitForRegistration(DWORD milliseconds)
{
    if (!registered.Wait(milliseconds))
        return WatcherFailure;
    if (registrationStatus == WatcherRegisterFailed)
        SetLastError(registrationError);
    return registrationStatus;
}

// The stop event is tested after every message, so that Stop waits for at
// most the callback that is running, never for a backlog of notifications.
void CWatcherSession::Pump(HWND window, HANDLE stop)
{
    for (;;) {
        if (MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0 + 1)
            return;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.hwnd == window && IsWindowEventMessage(message.message))
                Deliver(message);
            else if (message.message != WM_QUIT)
                Dispatch(message);
            if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
                return;
        }
    }
}

void CWatcherSession::Deliver(const MSG& message) const
{
    CWindowEvent event;
    event.kind = WindowEventKind(message.message);
    event.window = reinterpret_cast<HWND>(message.lParam);
    event.arrivalTime = GetTickCount64();
    TakeWindowSnapshot(event.window, &event.snapshot);
    callback(event, context);
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
