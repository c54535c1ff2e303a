#pragma once

#include <windows.h>

#include <nlohmann/json.hpp>

#include <string>

#include "watcher/WindowModel.h"

// "0x... class=... title=... bounds=... state=... pid=... image=...", or
// "0x... gone pid=... image=..." with what is known of a window that is gone.
std::string DescribeWindow(HWND hwnd,
                           const NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window);
std::string DescribeWindow(HWND hwnd);

// The window's facts as JSON members, in the order every reader of the
// tool's JSON relies on: "hwnd", "gone", "class", "title", "bounds", "pid",
// "image", "state" (only "hwnd", "gone", "pid" and "image" for a window
// that is gone).
void AddWindowFields(nlohmann::ordered_json& fields, HWND hwnd,
                     const NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window);
// The facts the window model added, after those: "owner", "app", "monitor",
// "workArea", "dpi", "fullscreen", "cloaked", "bits", "integrity",
// "covered" (none for a window that is gone). What the platform did not
// answer is null.
void AddWindowFacts(nlohmann::ordered_json& fields,
                    const NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window);
// Both, of a window as it is now.
void AddWindowFields(nlohmann::ordered_json& fields, HWND hwnd);

// One event, as a JSON line and as a message of the event stream: "ms"
// (since `start`), "event", the window's fields, "seq", "merged",
// "inferred", the window's newer facts.
void AddEventFields(nlohmann::ordered_json& fields,
                    const NLibrary::NWin32::NWindow::NWatcher::CWindowModelEvent& event,
                    const NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window,
                    ULONGLONG start);

// The same facts as text, without braces: "hwnd":"0x...","gone":false,...
std::string DescribeWindowJson(HWND hwnd,
                               const NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window);
std::string DescribeWindowJson(HWND hwnd);

// One JSON value as one line of UTF-8.
std::string JsonText(const nlohmann::ordered_json& value);
// UTF-16 text as a JSON string value (UTF-8).
std::string JsonValue(const std::wstring& text);
// `text` as a quoted JSON string in UTF-8, with quotes, backslashes and
// control characters escaped.
std::string JsonString(const std::wstring& text);

// Prints events as text lines (the window's fields, then "seq=N", "merged=N"
// when more than one, "inferred") or as JSON Lines, flushed line by line.
class CWatchOutput
{
public:
    explicit CWatchOutput(bool json);
    void Started();
    // The snapshot may differ from the event's: for a window that is gone it
    // carries the process remembered from earlier notifications.
    void Print(const NLibrary::NWin32::NWindow::NWatcher::CWindowModelEvent& event,
               const NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window);
    void Stopped();

private:
    bool json;
    ULONGLONG start;
    unsigned long count = 0;
};
