#include "tools/zarvowatch/StreamSubscription.h"

#include <cwchar>

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

// Every kind the stream sends (TakenOver ends the stream instead).
const NWatcher::WindowEventKind StreamKinds[] = {
    NWatcher::WindowEventPosChanged,    NWatcher::WindowEventDestroyed,
    NWatcher::WindowEventEnterSizeMove, NWatcher::WindowEventMoving,
    NWatcher::WindowEventExitSizeMove,  NWatcher::WindowEventPresent,
    NWatcher::WindowEventGone,          NWatcher::WindowEventSettled,
    NWatcher::WindowEventActivated,     NWatcher::WindowEventTitleChanged,
};

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name)
{
    if (names.empty())
        return true;
    for (const std::wstring& wanted : names) {
        if (_wcsicmp(wanted.c_str(), name.c_str()) == 0)
            return true;
    }
    return false;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &result[0], size);
    return result;
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &result[0], size, nullptr,
                        nullptr);
    return result;
}

// A list of strings, or nothing at all; false when the member is something else.
bool ReadNames(const nlohmann::json& message, const char* member, std::vector<std::string>& names,
               std::string& error)
{
    const auto found = message.find(member);
    if (found == message.end() || found->is_null())
        return true;
    if (found->is_array()) {
        for (const nlohmann::json& name : *found) {
            if (!name.is_string())
                break;
            names.push_back(name.get<std::string>());
        }
        if (names.size() == found->size())
            return true;
    }
    error = std::string("\"") + member + "\" is a list of names";
    return false;
}

}  // namespace

bool CStreamSubscription::Accepts(const CStreamEvent& event) const
{
    bool kindWanted = kinds.empty();
    for (NWatcher::WindowEventKind kind : kinds)
        kindWanted = kindWanted || kind == event.kind;
    return kindWanted && Contains(images, event.image) && Contains(classes, event.className);
}

bool ParseClientMessage(const std::string& text, CStreamSubscription& subscription,
                        std::string& error)
{
    const nlohmann::json message = nlohmann::json::parse(text, nullptr, false);
    if (message.is_discarded() || !message.is_object()) {
        error = "a message is one JSON object";
        return false;
    }
    const auto type = message.find("type");
    if (type == message.end() || *type != "subscribe") {
        error = "the one message a client sends is {\"type\":\"subscribe\",...}";
        return false;
    }
    std::vector<std::string> events, images, classes;
    if (!ReadNames(message, "events", events, error) || !ReadNames(message, "images", images, error)
        || !ReadNames(message, "classes", classes, error))
        return false;
    CStreamSubscription wanted;
    for (const std::string& name : events) {
        size_t i = 0;
        while (i < std::size(StreamKinds) && name != NWatcher::GetWindowEventName(StreamKinds[i]))
            ++i;
        if (i == std::size(StreamKinds)) {
            error = "no event is called \"" + name + "\"";
            return false;
        }
        wanted.kinds.push_back(StreamKinds[i]);
    }
    for (const std::string& name : images)
        wanted.images.push_back(FromUtf8(name));
    for (const std::string& name : classes)
        wanted.classes.push_back(FromUtf8(name));
    subscription = wanted;
    return true;
}

nlohmann::ordered_json DescribeSubscription(const CStreamSubscription& subscription)
{
    nlohmann::ordered_json answer = {
        {"type", "subscribed"}
    };
    answer["events"] = nlohmann::ordered_json::array();
    for (NWatcher::WindowEventKind kind : subscription.kinds)
        answer["events"].push_back(NWatcher::GetWindowEventName(kind));
    answer["images"] = nlohmann::ordered_json::array();
    for (const std::wstring& name : subscription.images)
        answer["images"].push_back(ToUtf8(name));
    answer["classes"] = nlohmann::ordered_json::array();
    for (const std::wstring& name : subscription.classes)
        answer["classes"].push_back(ToUtf8(name));
    return answer;
}
