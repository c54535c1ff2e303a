#include "tests/window/WindowTestSupport.h"

#include "tests/common/WindowClass.h"

#include <set>
#include <string>

namespace NWindowTest {

namespace {

std::vector<CRecordedMessage> recorded;
std::set<std::wstring> registered;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    recorded.push_back({hwnd, message, wParam, lParam});
    if (message == WM_CLOSE)
        return 0;  // Recorded, not acted on: the test decides.
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterRecordingClass(const wchar_t* className)
{
    if (registered.insert(className).second)
        NTestSupport::RegisterTestWindowClass(className, RecordingProc);
}

HWND CreateRecordingWindow(const wchar_t* className, DWORD style, DWORD exStyle, int x, int y,
                           int cx, int cy, HWND parent)
{
    RegisterRecordingClass(className);
    const HWND hwnd = CreateWindowExW(exStyle, className, L"window test", style, x, y, cx, cy,
                                      parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    PumpMessages();
    return hwnd;
}

CTestWindow::CTestWindow(DWORD style, DWORD exStyle, const wchar_t* className, HWND owner)
    : hwnd(CreateRecordingWindow(className, style, exStyle, 120, 110, 240, 180, owner))
{
}

CTestWindow::~CTestWindow()
{
    if (IsWindow(hwnd))
        DestroyWindow(hwnd);
    PumpMessages();
}

HWND DestroyedWindowHandle()
{
    const HWND hwnd = CreateRecordingWindow(L"ZarvoTestWindow", WS_OVERLAPPED, 0, 0, 0, 10, 10);
    DestroyWindow(hwnd);
    return hwnd;
}

void ClearMessages()
{
    recorded.clear();
}

std::vector<CRecordedMessage> MessagesOf(HWND hwnd, UINT message)
{
    std::vector<CRecordedMessage> found;
    for (const CRecordedMessage& m : recorded)
        if (m.hwnd == hwnd && m.message == message)
            found.push_back(m);
    return found;
}

RECT WindowRect(HWND hwnd)
{
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return rect;
}

bool IsAbove(HWND upper, HWND lower)
{
    for (HWND w = GetWindow(upper, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
        if (w == lower)
            return true;
    return false;
}

namespace {

std::wstring NewToken()
{
    static int counter = 0;
    return L"zarvo-window-" + std::to_wstring(GetCurrentProcessId()) + L"-"
           + std::to_wstring(++counter);
}

std::wstring FixtureCommandLine(const char* mode, const std::wstring& token)
{
    const std::string narrowMode(mode);
    return L"window_fixture.exe " + std::wstring(narrowMode.begin(), narrowMode.end()) + L" "
           + token;
}

}  // namespace

CFixtureProcess::CFixtureProcess(const char* mode)
    : token(NewToken()), quitEvent(CreateEventW(nullptr, TRUE, FALSE, (token + L"-quit").c_str())),
      readyEvent(CreateEventW(nullptr, TRUE, FALSE, (token + L"-ready").c_str())),
      process(FixtureCommandLine(mode, token)), ready(false)
{
    if (!process.IsStarted())
        return;
    HANDLE waits[2] = {readyEvent.Get(), process.Get()};
    const DWORD start = GetTickCount();
    while (!ready && GetTickCount() - start < 20000) {
        const DWORD r = MsgWaitForMultipleObjects(2, waits, FALSE, 50, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0)
            ready = true;
        else if (r == WAIT_OBJECT_0 + 1)
            break;
        PumpMessages();
    }
}

// The fixture ends its windows on the quit event; the owner of the process
// terminates it if it has not done so in time.
CFixtureProcess::~CFixtureProcess()
{
    SetEvent(quitEvent.Get());
    WaitUntil([this] { return !process.IsRunning(); }, 45000);
}

std::wstring CFixtureProcess::Title(const wchar_t* name) const
{
    return token + L"/" + name;
}

HWND CFixtureProcess::Window(const wchar_t* name) const
{
    return FindWindowW(nullptr, Title(name).c_str());
}

HWND CFixtureProcess::Child(HWND parent, const wchar_t* name) const
{
    return FindWindowExW(parent, nullptr, nullptr, Title(name).c_str());
}

}  // namespace NWindowTest
