#include "tests/window/WindowTestSupport.h"

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
    if (!registered.insert(className).second)
        return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    wc.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    RegisterClassExW(&wc);
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

void PumpMessages(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (milliseconds != 0)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMilliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMilliseconds)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
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

CFixtureProcess::CFixtureProcess(const char* mode) : quitEvent(nullptr), process(), ready(false)
{
    static int counter = 0;
    token = L"zarvo-window-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    const HANDLE readyEvent = CreateEventW(nullptr, TRUE, FALSE, (token + L"-ready").c_str());
    quitEvent = CreateEventW(nullptr, TRUE, FALSE, (token + L"-quit").c_str());
    std::string narrowMode(mode);
    std::wstring commandLine = L"window_fixture.exe " +
                               std::wstring(narrowMode.begin(), narrowMode.end()) + L" " + token;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        HANDLE waits[2] = {readyEvent, process.hProcess};
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
    CloseHandle(readyEvent);
}

CFixtureProcess::~CFixtureProcess()
{
    SetEvent(quitEvent);
    if (process.hProcess != nullptr) {
        const DWORD start = GetTickCount();
        while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 50, QS_ALLINPUT) !=
               WAIT_OBJECT_0) {
            PumpMessages();
            if (GetTickCount() - start > 45000) {
                TerminateProcess(process.hProcess, 1);
                break;
            }
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(quitEvent);
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
