#include "tools/zarvowatch/WatchOutput.h"

#include "hook/zarvowindow1589x64.h"
#include "library/datatype/string/StringBuffer.h"
#include "library/window/WindowQueries.h"

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

namespace NWindow = NLibrary::NWin32::NWindow;
using NLibrary::NDatatype::NString::CDynamicHeapStringBuffer;

const char* ShowStateName(NWindow::WindowShowState state)
{
    switch (state) {
    case NWindow::Normal: return "Normal";
    case NWindow::Hidden: return "Hidden";
    case NWindow::Maximized: return "Maximized";
    case NWindow::Minimized: return "Minimized";
    default: return "Unknown";
    }
}

std::wstring ClassNameOf(HWND hwnd)
{
    CDynamicHeapStringBuffer className;
    const wchar_t* text = nullptr;
    if (NWindow::GetWindowClassName(hwnd, className) != 0 || className.GetString(&text) != 0)
        return std::wstring();
    return std::wstring(text, className.GetLength());
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
// not stall the thread that pumps the hook's messages. Bounds are those of
// the window's show state: a minimised or hidden window reports its restored
// rectangle.
WindowSnapshot TakeSnapshot(HWND hwnd)
{
    WindowSnapshot window;
    if (!NWindow::IsValidWindow(hwnd))
        return window;
    window.className = ClassNameOf(hwnd);
    wchar_t title[512] = {};
    InternalGetWindowText(hwnd, title, 512);
    window.title = title;
    window.hasBounds = NWindow::GetWindowBounds(hwnd, &window.bounds) == 0;
    window.showState = ShowStateName(NWindow::GetWindowShowState(hwnd));
    window.exists = NWindow::IsValidWindow(hwnd);
    return window;
}

std::string DescribeWindow(HWND hwnd)
{
    const WindowSnapshot window = TakeSnapshot(hwnd);
    char handle[32];
    snprintf(handle, sizeof(handle), "0x%08llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    if (!window.exists)
        return std::string(handle) + " gone";
    char bounds[96] = "";
    if (window.hasBounds)
        snprintf(bounds, sizeof(bounds), "bounds=(%ld,%ld)-(%ld,%ld) ", window.bounds.left, window.bounds.top,
                 window.bounds.right, window.bounds.bottom);
    return std::string(handle) + "  class=\"" + ToUtf8(window.className) + "\" title=\"" + ToUtf8(window.title) +
           "\" " + bounds + "state=" + window.showState;
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
    if (json_)
        PrintJson(NotificationName(message), hwnd, TakeSnapshot(hwnd), ms);
    else
        PrintText(NotificationName(message), hwnd, ms);
    fflush(stdout);
}

void WatchOutput::PrintText(const char* event, HWND hwnd, ULONGLONG ms)
{
    printf("%8llu ms  %-16s %s\n", ms, event, DescribeWindow(hwnd).c_str());
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
