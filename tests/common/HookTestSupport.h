#pragma once

#include <windows.h>

#include "tests/common/ChildProcess.h"

#include <string>
#include <vector>

using NTestSupport::CChildProcess;

// The hook target process with its top-level window and child window.
class HookTarget
{
public:
    HookTarget();
    HWND Window() const { return window_; }
    const std::wstring& Title() const { return title_; }
    HWND Child() const { return child_; }
    bool IsRunning() const { return process_.IsRunning(); }
    bool WaitForExit(DWORD milliseconds) const { return process_.WaitForExit(milliseconds); }
    DWORD ProcessId() const { return process_.ProcessId(); }
    // Ends the process as a crash would: no window of it is destroyed by its own thread.
    bool Kill() const { return TerminateProcess(process_.Get(), 9) != 0; }
    // Runs a command in the target; true when the target answered in time.
    bool Run(UINT command, WPARAM wParam = 0, LPARAM lParam = 0, LRESULT* result = nullptr) const;

private:
    std::wstring title_;
    CChildProcess process_;
    HWND window_ = nullptr;
    HWND child_ = nullptr;
};

struct Notification
{
    UINT message;
    HWND window;
    bool operator==(const Notification& other) const
    {
        return message == other.message && window == other.window;
    }
};
std::string Describe(const std::vector<Notification>& notifications);

// A hidden top-level window of the test thread that receives notifications.
class NotificationWindow
{
public:
    NotificationWindow();
    ~NotificationWindow();
    HWND Handle() const { return hwnd_; }
    void Destroy();
    // Every notification that arrived about one of `windows`, in order.
    std::vector<Notification> Collect(std::initializer_list<HWND> windows);

private:
    HWND hwnd_ = nullptr;
};
