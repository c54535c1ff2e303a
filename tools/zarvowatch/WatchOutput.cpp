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

std::string JsonText(const nlohmann::ordered_json& value)
{
    // UTF-8 as it is (no \u escapes for what is not ASCII); a title cut
    // inside a character, should one ever arrive, becomes U+FFFD instead of
    // an exception.
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string JsonValue(const std::wstring& text)
{
    return ToUtf8(text);
}

std::string JsonString(const std::wstring& text)
{
    return JsonText(ToUtf8(text));
}

void AddWindowFields(nlohmann::ordered_json& fields, HWND hwnd,
                     const NWatcher::CWindowSnapshot& window)
{
    fields["hwnd"] = HandleText(hwnd, "0x%llx");
    fields["gone"] = window.gone;
    if (!window.gone) {
        fields["class"] = ToUtf8(window.className);
        fields["title"] = ToUtf8(window.title);
        if (window.hasBounds)
            fields["bounds"] = {window.bounds.left, window.bounds.top, window.bounds.right,
                                window.bounds.bottom};
    }
    fields["pid"] = window.processId;
    fields["image"] = ToUtf8(window.imageName);
    if (!window.gone)
        fields["state"] = ShowStateName(window.showState);
}

void AddWindowFields(nlohmann::ordered_json& fields, HWND hwnd)
{
    NWatcher::CWindowSnapshot window;
    NWatcher::TakeWindowSnapshot(hwnd, &window);
    AddWindowFields(fields, hwnd, window);
    AddWindowFacts(fields, window);
}

namespace {

nlohmann::ordered_json HandleOrNull(const void* handle)
{
    if (handle == nullptr)
        return nullptr;
    return HandleText(static_cast<HWND>(const_cast<void*>(handle)), "0x%llx");
}

const char* IntegrityName(NWatcher::ProcessIntegrity integrity)
{
    switch (integrity) {
    case NWatcher::IntegrityUntrusted:
        return "Untrusted";
    case NWatcher::IntegrityLow:
        return "Low";
    case NWatcher::IntegrityMedium:
        return "Medium";
    case NWatcher::IntegrityHigh:
        return "High";
    case NWatcher::IntegritySystem:
        return "System";
    default:
        return nullptr;
    }
}

}  // namespace

void AddWindowFacts(nlohmann::ordered_json& fields, const NWatcher::CWindowSnapshot& window)
{
    if (window.gone)
        return;
    fields["owner"] = HandleOrNull(window.owner);
    fields["app"] = window.isAppWindow;
    fields["monitor"] = HandleOrNull(window.monitor);
    fields["workArea"] = {window.workArea.left, window.workArea.top, window.workArea.right,
                          window.workArea.bottom};
    fields["dpi"] = window.dpi != 0 ? nlohmann::ordered_json(window.dpi) : nullptr;
    fields["fullscreen"] = window.isFullscreen;
    fields["cloaked"] = window.cloaked == NWatcher::SnapshotUnknown
                            ? nullptr
                            : nlohmann::ordered_json(window.cloaked == NWatcher::SnapshotYes);
    fields["bits"] = window.processBits != 0 ? nlohmann::ordered_json(window.processBits) : nullptr;
    const char* integrity = IntegrityName(window.integrity);
    fields["integrity"] = integrity != nullptr ? nlohmann::ordered_json(integrity) : nullptr;
    fields["covered"] = window.isCovered;
}

void AddEventFields(nlohmann::ordered_json& fields, const NWatcher::CWindowModelEvent& event,
                    const NWatcher::CWindowSnapshot& window, ULONGLONG start)
{
    fields["ms"] = event.arrivalTime > start ? event.arrivalTime - start : 0;
    fields["event"] = NWatcher::GetWindowEventName(event.kind);
    AddWindowFields(fields, event.window, window);
    fields["seq"] = event.sequence;
    fields["merged"] = event.merged;
    fields["inferred"] = event.inferred;
    AddWindowFacts(fields, window);
}

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
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    AddWindowFields(fields, hwnd, window);
    const std::string text = JsonText(fields);
    return text.substr(1, text.size() - 2);
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

void CWatchOutput::Print(const NWatcher::CWindowModelEvent& event,
                         const NWatcher::CWindowSnapshot& window)
{
    ++count;
    if (json) {
        nlohmann::ordered_json line = nlohmann::ordered_json::object();
        AddEventFields(line, event, window, start);
        printf("%s\n", JsonText(line).c_str());
        fflush(stdout);
        return;
    }
    const unsigned long long ms = event.arrivalTime > start ? event.arrivalTime - start : 0;
    std::string extra = " seq=" + std::to_string(event.sequence);
    if (event.merged > 1)
        extra += " merged=" + std::to_string(event.merged);
    if (event.inferred)
        extra += " inferred";
    printf("%8llu ms  %-16s %s%s\n", ms, NWatcher::GetWindowEventName(event.kind),
           DescribeWindow(event.window, window).c_str(), extra.c_str());
    fflush(stdout);
}
