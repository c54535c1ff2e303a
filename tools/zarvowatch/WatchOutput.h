#pragma once

#include <windows.h>

#include <string>

#include "watcher/WindowEvent.h"

// "0x... class=... title=... bounds=... state=... pid=... image=...", or
// "0x... gone pid=... image=..." with what is known of a window that is gone.
std::string DescribeWindow(HWND hwnd,
                           const NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window);
std::string DescribeWindow(HWND hwnd);

// The same facts as JSON members, without braces: "hwnd":"0x...","gone":false,...
std::string DescribeWindowJson(HWND hwnd,
                               const NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window);
std::string DescribeWindowJson(HWND hwnd);

// `text` as a quoted JSON string in UTF-8, with quotes, backslashes and
// control characters escaped.
std::string JsonString(const std::wstring& text);

// Prints notifications as text lines or as JSON Lines, flushed line by line.
class CWatchOutput
{
public:
    explicit CWatchOutput(bool json);
    void Started();
    // The snapshot may differ from the event's: for a window that is gone it
    // carries the process remembered from earlier notifications.
    void Print(const NLibrary::NWin32::NWindow::NWatcher::CWindowEvent& event,
               const NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window);
    void Stopped();

private:
    bool json;
    ULONGLONG start;
    unsigned long count = 0;
};
