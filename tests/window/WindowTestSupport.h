#pragma once

// Real windows for the window tests: windows of this thread whose procedure
// records what it receives, a message pump for waits (a thread that stops
// looking at its queue for a few seconds makes its windows count as hung),
// and the second process of window_fixture.exe.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/common/ChildProcess.h"
#include "tests/common/Wait.h"

namespace NWindowTest {

// Registers the class once, with the recording window procedure.
void RegisterRecordingClass(const wchar_t* className);

HWND CreateRecordingWindow(const wchar_t* className, DWORD style, DWORD exStyle, int x, int y,
                           int cx, int cy, HWND parent = nullptr);

// Owns a window of this thread; destroys it at the end of the scope.
class CTestWindow
{
public:
    explicit CTestWindow(DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, DWORD exStyle = 0,
                         const wchar_t* className = L"ZarvoTestWindow", HWND owner = nullptr);
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;
    ~CTestWindow();

    HWND Get() const { return hwnd; }
    operator HWND() const { return hwnd; }

private:
    HWND hwnd;
};

// A window handle that names no window any more.
HWND DestroyedWindowHandle();

struct CRecordedMessage
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

void ClearMessages();
std::vector<CRecordedMessage> MessagesOf(HWND hwnd, UINT message);

using NTestSupport::PumpMessages;
using NTestSupport::WaitUntil;

RECT WindowRect(HWND hwnd);
// True when `upper` comes before `lower` in the z-order of their siblings.
bool IsAbove(HWND upper, HWND lower);

// window_fixture.exe in one mode; ended (and waited for) on destruction.
class CFixtureProcess
{
public:
    explicit CFixtureProcess(const char* mode);
    CFixtureProcess(const CFixtureProcess&) = delete;
    CFixtureProcess& operator=(const CFixtureProcess&) = delete;
    ~CFixtureProcess();

    bool IsReady() const { return ready; }
    // The top-level window titled "token/name".
    HWND Window(const wchar_t* name) const;
    // A direct child of the parent titled "token/name".
    HWND Child(HWND parent, const wchar_t* name) const;
    DWORD ProcessId() const { return process.ProcessId(); }

private:
    std::wstring Title(const wchar_t* name) const;

    // Declared before the process, so that they exist when it starts: the
    // command line carries the token, and the events are named after it.
    std::wstring token;
    NLibrary::NSynchronization::CUniqueHandle quitEvent;
    NLibrary::NSynchronization::CUniqueHandle readyEvent;
    NTestSupport::CChildProcess process;
    bool ready;
};

}  // namespace NWindowTest

namespace NWindowTest {

// One "windows" fixture process shared by the tests of the program: started
// on first use, ended after the last test. Tests that change its windows put
// them back.
CFixtureProcess& SharedFixture();

}  // namespace NWindowTest
