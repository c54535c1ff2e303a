// A second process with windows for the window tests.
//   window_fixture.exe windows TOKEN   styled, layered, region, minimised,
//                                      maximised and hidden windows, and a
//                                      shell-like hierarchy; pumps messages
//   window_fixture.exe hung TOKEN      one window whose thread stops pumping
// Windows are titled "TOKEN/name". The fixture sets the event "TOKEN-ready"
// when its windows exist and ends when "TOKEN-quit" is set.

#include <windows.h>

#include "tests/common/WindowClass.h"

#include <cstring>
#include <string>

namespace {

std::wstring token;

std::wstring Title(const wchar_t* name)
{
    return token + L"/" + name;
}

void Register(const wchar_t* className)
{
    NTestSupport::RegisterTestWindowClass(className, DefWindowProcW);
}

HWND Create(const wchar_t* className, const wchar_t* name, DWORD style, DWORD exStyle, int x, int y,
            int cx, int cy, HWND parent = nullptr)
{
    return CreateWindowExW(exStyle, className, Title(name).c_str(), style, x, y, cx, cy, parent,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Children are kept in creation order, so an enumeration visits them so.
HWND CreateChild(const wchar_t* className, const wchar_t* name, HWND parent)
{
    const HWND child = Create(className, name, WS_CHILD | WS_VISIBLE, 0, 0, 0, 10, 10, parent);
    SetWindowPos(child, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return child;
}

void CreateShellHierarchy()
{
    // Upper case on purpose: the lookup compares class names without case.
    Register(L"WORKERW");
    Register(L"SHELLDLL_DefView");
    Register(L"SysListView32");
    const HWND root =
        Create(L"ZarvoFixtureWindow", L"shellroot", WS_OVERLAPPEDWINDOW, 0, 0, 0, 10, 10, nullptr);
    CreateChild(L"WORKERW", L"worker-empty", root);
    const HWND viewOnly = CreateChild(L"WORKERW", L"worker-viewonly", root);
    CreateChild(L"SHELLDLL_DefView", L"view-0", viewOnly);
    const HWND full = CreateChild(L"WORKERW", L"worker-full", root);
    const HWND view1 = CreateChild(L"SHELLDLL_DefView", L"view-1", full);
    CreateChild(L"SysListView32", L"list-1", view1);
    const HWND second = CreateChild(L"WORKERW", L"worker-second", root);
    const HWND view2 = CreateChild(L"SHELLDLL_DefView", L"view-2", second);
    CreateChild(L"SysListView32", L"list-2", view2);
}

void CreateWindows()
{
    const DWORD visible = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    Create(L"ZarvoFixtureWindow", L"styled", visible, WS_EX_TOOLWINDOW | WS_EX_LAYOUTRTL, 100, 100,
           300, 200);

    const HWND alpha = Create(L"ZarvoFixtureWindow", L"alpha", WS_POPUP | WS_VISIBLE, WS_EX_LAYERED,
                              40, 40, 100, 100);
    SetLayeredWindowAttributes(alpha, 0, 0x80, LWA_ALPHA);
    const HWND colorKey = Create(L"ZarvoFixtureWindow", L"colorkey", WS_POPUP | WS_VISIBLE,
                                 WS_EX_LAYERED, 60, 60, 100, 100);
    SetLayeredWindowAttributes(colorKey, RGB(255, 0, 255), 0, LWA_COLORKEY);

    const HWND region =
        Create(L"ZarvoFixtureWindow", L"region", WS_POPUP | WS_VISIBLE, 0, 80, 80, 100, 100);
    SetWindowRgn(region, CreateRectRgn(0, 0, 50, 40), TRUE);

    const HWND minimized =
        Create(L"ZarvoFixtureWindow", L"minimized", visible, 0, 200, 150, 320, 240);
    ShowWindow(minimized, SW_SHOWMINNOACTIVE);
    const HWND maximized =
        Create(L"ZarvoFixtureWindow", L"maximized", visible, 0, 220, 170, 320, 240);
    ShowWindow(maximized, SW_SHOWMAXIMIZED);
    Create(L"ZarvoFixtureWindow", L"hidden", WS_OVERLAPPEDWINDOW, 0, 240, 190, 320, 240);
    Create(L"ZarvoFixtureWindow", L"plain", visible, 0, 300, 300, 200, 150);

    CreateShellHierarchy();
}

void PumpUntil(HANDLE quit)
{
    for (;;) {
        const DWORD result = MsgWaitForMultipleObjects(1, &quit, FALSE, 60000, QS_ALLINPUT);
        if (result != WAIT_OBJECT_0 + 1)
            return;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

std::wstring Widen(const char* text)
{
    return std::wstring(text, text + strlen(text));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const std::wstring mode = Widen(argv[1]);
    token = Widen(argv[2]);
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (token + L"-ready").c_str());
    const HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, (token + L"-quit").c_str());
    Register(L"ZarvoFixtureWindow");

    if (mode == L"hung") {
        Create(L"ZarvoFixtureWindow", L"hung", WS_POPUP | WS_VISIBLE, 0, 50, 60, 200, 100);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        SetEvent(ready);
        // No message is looked at from here on, so the window turns hung.
        // Bounded, so that a test that wrongly waits on this thread ends.
        WaitForSingleObject(quit, 40000);
        return 0;
    }
    CreateWindows();
    SetEvent(ready);
    PumpUntil(quit);
    return 0;
}
