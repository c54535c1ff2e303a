#include "tests/common/HookTestSupport.h"

#include "zarvowindow1589x64.h"
#include "watcher/WindowEventKind.h"
#include "tests/common/HookTargetCommands.h"

#include <algorithm>
#include <sstream>

namespace {

using NLibrary::NWin32::NWindow::NWatcher::GetWindowEventName;
using NLibrary::NWin32::NWindow::NWatcher::IsWindowEventMessage;
using NLibrary::NWin32::NWindow::NWatcher::WindowEventKind;

const DWORD kAnswerTimeoutMs = 5000;

HWND WaitForWindow(const std::wstring& title)
{
    for (int i = 0; i < 500; ++i) {
        if (HWND hwnd = FindWindowW(HookTargetClassName(), title.c_str()))
            return hwnd;
        Sleep(10);
    }
    return nullptr;
}

std::wstring UniqueTitle()
{
    static int counter = 0;
    return L"hook target " + std::to_wstring(GetCurrentProcessId()) + L"."
           + std::to_wstring(++counter);
}

}  // namespace

HookTarget::HookTarget()
    : title_(UniqueTitle()), process_(L"hook_target_fixture.exe \"" + title_ + L"\"")
{
    window_ = WaitForWindow(title_);
    LRESULT child = 0;
    if (window_ != nullptr && Run(TargetGetChild, 0, 0, &child))
        child_ = reinterpret_cast<HWND>(child);
}

bool HookTarget::Run(UINT command, WPARAM wParam, LPARAM lParam, LRESULT* result) const
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window_, command, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs,
                             &answer))
        return false;
    if (result != nullptr)
        *result = LRESULT(answer);
    return true;
}

std::string Describe(const std::vector<Notification>& notifications)
{
    std::ostringstream text;
    for (const Notification& n : notifications)
        text << GetWindowEventName(WindowEventKind(n.message)) << "(" << n.window << ") ";
    return text.str();
}

NotificationWindow::NotificationWindow()
{
    hwnd_ = CreateWindowExW(0, L"STATIC", L"hook test notifications", WS_OVERLAPPED, 0, 0, 10, 10,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

NotificationWindow::~NotificationWindow()
{
    Destroy();
}

void NotificationWindow::Destroy()
{
    if (hwnd_ != nullptr)
        DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

std::vector<Notification> NotificationWindow::Collect(std::initializer_list<HWND> windows)
{
    std::vector<Notification> arrived;
    MSG message;
    while (PeekMessageW(&message, hwnd_, 0, 0, PM_REMOVE)) {
        if (IsWindowEventMessage(message.message)) {
            HWND window = reinterpret_cast<HWND>(message.lParam);
            if (std::find(windows.begin(), windows.end(), window) != windows.end())
                arrived.push_back({message.message, window});
            continue;
        }
        DispatchMessageW(&message);
    }
    return arrived;
}
