#pragma once

#include <windows.h>

#include <string>

bool IsNotification(UINT message);
const char* NotificationName(UINT message);

// What the tool reads of a window when a notification about it arrives.
struct WindowSnapshot {
    bool exists = false;
    std::wstring className;
    std::wstring title;
    bool hasBounds = false;
    RECT bounds = {};
    const char* showState = "Unknown";
};
WindowSnapshot TakeSnapshot(HWND hwnd);
// "0x... class=... title=... bounds=... state=...", or "0x... gone".
std::string DescribeWindow(HWND hwnd);

// Prints notifications as text lines or as JSON Lines, flushed line by line.
class WatchOutput {
public:
    explicit WatchOutput(bool json);
    void Started();
    void Print(UINT message, HWND hwnd);
    void Stopped();

private:
    void PrintText(const char* event, HWND hwnd, ULONGLONG ms);
    void PrintJson(const char* event, HWND hwnd, const WindowSnapshot& window, ULONGLONG ms);

    bool json_;
    ULONGLONG start_;
    unsigned long count_ = 0;
};
