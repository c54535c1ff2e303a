#include "tools/zarvowatch/WatchOutput.h"

#include "hook/zarvowindow1589x64.h"

#include <cstdio>
#include <string>

namespace {

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

std::string JsonString(const std::wstring& text)
{
    std::string quoted = "\"";
    for (char c : ToUtf8(text)) {
        switch (c) {
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                snprintf(escaped, sizeof(escaped), "\\u%04x", c);
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

const char* ShowStateName(HWND hwnd)
{
    if (!IsWindowVisible(hwnd))
        return "Hidden";
    if (IsIconic(hwnd))
        return "Minimized";
    if (IsZoomed(hwnd))
        return "Maximized";
    return "Normal";
}

}  // namespace

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
    return "Unknown";
}

// Reads nothing that would send a message to the window: a hung window must
// not stall the thread that pumps the hook's messages.
WindowSnapshot TakeSnapshot(HWND hwnd)
{
    WindowSnapshot window;
    if (IsWindow(hwnd) != TRUE)
        return window;
    wchar_t text[512] = {};
    GetClassNameW(hwnd, text, 512);
    window.className = text;
    text[0] = 0;
    InternalGetWindowText(hwnd, text, 512);
    window.title = text;
    window.hasBounds = GetWindowRect(hwnd, &window.bounds) != FALSE;
    window.showState = ShowStateName(hwnd);
    window.exists = IsWindow(hwnd) == TRUE;
    return window;
}

WatchOutput::WatchOutput(bool json) : json_(json), start_(GetTickCount64()) {}

void WatchOutput::Started()
{
    if (!json_)
        printf("watching top-level windows (Ctrl+C stops)\n");
    fflush(stdout);
}

void WatchOutput::Stopped()
{
    if (!json_)
        printf("stopped after %lu notifications\n", count_);
    fflush(stdout);
}

void WatchOutput::Print(UINT message, HWND hwnd)
{
    ++count_;
    const ULONGLONG ms = GetTickCount64() - start_;
    const WindowSnapshot window = TakeSnapshot(hwnd);
    if (json_)
        PrintJson(NotificationName(message), hwnd, window, ms);
    else
        PrintText(NotificationName(message), hwnd, window, ms);
    fflush(stdout);
}

void WatchOutput::PrintText(const char* event, HWND hwnd, const WindowSnapshot& window, ULONGLONG ms)
{
    printf("%8llu ms  %-16s 0x%08llx  ", ms, event, static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    if (!window.exists) {
        printf("gone\n");
        return;
    }
    printf("class=\"%s\" title=\"%s\" ", ToUtf8(window.className).c_str(), ToUtf8(window.title).c_str());
    if (window.hasBounds)
        printf("bounds=(%ld,%ld)-(%ld,%ld) ", window.bounds.left, window.bounds.top, window.bounds.right,
               window.bounds.bottom);
    printf("state=%s\n", window.showState);
}

void WatchOutput::PrintJson(const char* event, HWND hwnd, const WindowSnapshot& window, ULONGLONG ms)
{
    printf("{\"ms\":%llu,\"event\":\"%s\",\"hwnd\":\"0x%llx\"", ms, event,
           static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    if (!window.exists) {
        printf(",\"gone\":true}\n");
        return;
    }
    printf(",\"gone\":false,\"class\":%s,\"title\":%s", JsonString(window.className).c_str(),
           JsonString(window.title).c_str());
    if (window.hasBounds)
        printf(",\"bounds\":[%ld,%ld,%ld,%ld]", window.bounds.left, window.bounds.top, window.bounds.right,
               window.bounds.bottom);
    printf(",\"state\":\"%s\"}\n", window.showState);
}
