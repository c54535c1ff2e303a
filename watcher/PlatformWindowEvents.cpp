#include "watcher/PlatformWindowEvents.h"

#include "library/window/WindowStyle.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

// A window event procedure gets no context: the object of the thread it
// runs on is found here.
thread_local CPlatformWindowEvents* ThreadEvents = nullptr;

const DWORD HookedEvents[3] = {EVENT_SYSTEM_FOREGROUND, EVENT_OBJECT_FOCUS,
                               EVENT_OBJECT_NAMECHANGE};

}  // namespace

// The window that is in the foreground now is not reported as a change.
CPlatformWindowEvents::CPlatformWindowEvents(PlatformWindowEventCallback callback, void* context)
    : callback(callback), context(context), reportedForeground(nullptr), hooks()
{
    if (callback == nullptr)
        return;
    reportedForeground = GetForegroundWindow();
    ThreadEvents = this;
    for (int i = 0; i < 3; ++i)
        hooks[i] = SetWinEventHook(HookedEvents[i], HookedEvents[i], nullptr, OnEvent, 0, 0,
                                   WINEVENT_OUTOFCONTEXT);
}

CPlatformWindowEvents::~CPlatformWindowEvents()
{
    for (HWINEVENTHOOK hook : hooks) {
        if (hook != nullptr)
            UnhookWinEvent(hook);
    }
    if (ThreadEvents == this)
        ThreadEvents = nullptr;
}

void CALLBACK CPlatformWindowEvents::OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object,
                                             LONG child, DWORD, DWORD)
{
    CPlatformWindowEvents* events = ThreadEvents;
    if (events == nullptr)
        return;
    if (event != EVENT_OBJECT_NAMECHANGE) {
        events->OnForegroundMaybeChanged();
        return;
    }
    if (object == OBJID_WINDOW && child == CHILDID_SELF && window != nullptr
        && (GetWindowStyle(window) & WS_CHILD) == 0)
        events->callback(WindowEventTitleChanged, window, events->context);
}

// The foreground is read when the event is taken, which may be later than it
// was raised: what is reported is the newest foreground, once.
void CPlatformWindowEvents::OnForegroundMaybeChanged()
{
    const HWND foreground = GetForegroundWindow();
    if (foreground == nullptr || foreground == reportedForeground)
        return;
    reportedForeground = foreground;
    callback(WindowEventActivated, foreground, context);
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
