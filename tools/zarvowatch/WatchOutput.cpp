#include "tools/zarvowatch/WatchOutput.h"

#include <cstdio>
#include <string>

namespace {

namespace NWindow = NLibrary::NWin32::NWindow;
namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &result[0], size, nullptr,
                        nullptr);
    return result;
}

}  // namespace

std::string JsonString(const std::wstring& text)
{
    std::string quoted = "\"";
    for (char c : ToUtf8(text)) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
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

namespace {

const char* ShowStateName(NWindow::WindowShowState state)
{
    switch (state) {
    case NWindow::Normal:
        return "Normal";
    case NWindow::Hidden:
        return "Hidden";
    case NWindow::Maximized:
        return "Maximized";
    case NWindow::Minimized:
        return "Minimized";
    default:
        return "Unknown";
    }
}

std::string HandleText(HWND hwnd, const char* format)
{
    char text[32];
    snprintf(text, sizeof(text), format,
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return text;
}

// Texts of other programs are quoted and escaped as in JSON in text lines
// too, so that a title with a quote or a line break stays within its line.
std::string ProcessText(const NWatcher::CWindowSnapshot& window)
{
    return "pid=" + std::to_string(window.processId) + " image=" + JsonString(window.imageName);
}

}  // namespace

std::string DescribeWindow(HWND hwnd, const NWatcher::CWindowSnapshot& window)
{
    const std::string handle = HandleText(hwnd, "0x%08llx");
    if (window.gone)
        return handle + " gone " + ProcessText(window);
    char bounds[96] = "";
    if (window.hasBounds)
        snprintf(bounds, sizeof(bounds), "bounds=(%ld,%ld)-(%ld,%ld) ", window.bounds.left,
                 window.bounds.top, window.bounds.right, window.bounds.bottom);
    return handle + "  class=" + JsonString(window.className) + " title=" + JsonString(window.title)
           + " " + bounds + "state=" + ShowStateName(window.showState) + " " + ProcessText(window);
}

std::string DescribeWindowJson(HWND hwnd, const NWatcher::CWindowSnapshot& window)
{
    std::string fields = "\"hwnd\":\"" + HandleText(hwnd, "0x%llx") + "\"";
    if (window.gone)
        return fields + ",\"gone\":true,\"pid\":" + std::to_string(window.processId)
               + ",\"image\":" + JsonString(window.imageName);
    fields += ",\"gone\":false,\"class\":" + JsonString(window.className)
              + ",\"title\":" + JsonString(window.title);
    if (window.hasBounds) {
        char bounds[96];
        snprintf(bounds, sizeof(bounds), ",\"bounds\":[%ld,%ld,%ld,%ld]", window.bounds.left,
                 window.bounds.top, window.bounds.right, window.bounds.bottom);
        fields += bounds;
    }
    return fields + ",\"pid\":" + std::to_string(window.processId)
           + ",\"image\":" + JsonString(window.imageName) + ",\"state\":\""
           + ShowStateName(window.showState) + "\"";
}

std::string DescribeWindowJson(HWND hwnd)
{
    NWatcher::CWindowSnapshot window;
    NWatcher::TakeWindowSnapshot(hwnd, &window);
    return DescribeWindowJson(hwnd, window);
}

std::string DescribeWindow(HWND hwnd)
{
    NWatcher::CWindowSnapshot window;
    NWatcher::TakeWindowSnapshot(hwnd, &window);
    return DescribeWindow(hwnd, window);
}

CWatchOutput::CWatchOutput(bool json) : json(json), start(GetTickCount64())
{
}

void CWatchOutput::Started()
{
    if (!json)
        printf("watching top-level windows (Ctrl+C stops)\n");
    fflush(stdout);
}

void CWatchOutput::Stopped()
{
    if (!json)
        printf("stopped after %lu notifications\n", count);
    fflush(stdout);
}

void CWatchOutput::Print(const NWatcher::CWindowEvent& event,
                         const NWatcher::CWindowSnapshot& window)
{
    ++count;
    const unsigned long long ms = event.arrivalTime > start ? event.arrivalTime - start : 0;
    const char* name = NWatcher::GetWindowEventName(event.kind);
    if (!json) {
        printf("%8llu ms  %-16s %s\n", ms, name, DescribeWindow(event.window, window).c_str());
        fflush(stdout);
        return;
    }
    printf("{\"ms\":%llu,\"event\":\"%s\",%s}\n", ms, name,
           DescribeWindowJson(event.window, window).c_str());
    fflush(stdout);
}
