#include "tests/hook/HookTestSupport.h"

#include "hook/zarvowindow1589x64.h"
#include "tests/hook/HookTargetCommands.h"

#include <algorithm>
#include <sstream>

namespace {

const DWORD kAnswerTimeoutMs = 5000;

bool IsNotification(UINT message)
{
    return message >= NotifyWindowPosChanged && message <= NotifyExitSizeMove;
}

const char* NotificationName(UINT message)
{
    switch (message) {
    case NotifyWindowPosChanged: return "WindowPosChanged";
    case NotifyWindowDestroyed: return "Destroyed";
    case NotifyEnterSizeMove: return "EnterSizeMove";
    case NotifyWindowMoving: return "Moving";
    case NotifyExitSizeMove: return "ExitSizeMove";
    }
    return "?";
}

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
    return L"hook target " + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(++counter);
}

}  // namespace

ChildProcess::ChildProcess(const std::wstring& commandLine, const std::wstring& outputFile)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!outputFile.empty()) {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, output != INVALID_HANDLE_VALUE, 0, nullptr,
                        nullptr, &startup, &info_))
        info_ = PROCESS_INFORMATION();
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (info_.hProcess != nullptr)
        GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

ChildProcess::~ChildProcess()
{
    if (info_.hProcess == nullptr)
        return;
    if (IsRunning()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, kAnswerTimeoutMs);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool ChildProcess::IsRunning() const
{
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(DWORD milliseconds) const
{
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

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
    if (!SendMessageTimeoutW(window_, command, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, &answer))
        return false;
    if (result != nullptr)
        *result = LRESULT(answer);
    return true;
}

std::string Describe(const std::vector<Notification>& notifications)
{
    std::ostringstream text;
    for (const Notification& n : notifications)
        text << NotificationName(n.message) << "(" << n.window << ") ";
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
        if (IsNotification(message.message)) {
            HWND window = reinterpret_cast<HWND>(message.lParam);
            if (std::find(windows.begin(), windows.end(), window) != windows.end())
                arrived.push_back({message.message, window});
            continue;
        }
        DispatchMessageW(&message);
    }
    return arrived;
}
