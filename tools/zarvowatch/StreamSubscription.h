#pragma once

// What a client of the event stream asks for. A client sends
//
//   {"type":"subscribe","events":["Destroyed","Gone"],"images":["notepad.exe"],
//    "classes":["Notepad"]}
//
// and from then on gets only events of those kinds, of windows of those
// image names and classes (without regard to case); a list that is left
// out or empty keeps everything.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "tools/zarvowatch/StreamQueue.h"

class CStreamSubscription
{
public:
    bool Accepts(const CStreamEvent& event) const;

    std::vector<NLibrary::NWin32::NWindow::NWatcher::WindowEventKind> kinds;
    std::vector<std::wstring> images;
    std::vector<std::wstring> classes;
};

// Reads one message of a client. True with the subscription it asks for;
// false with the reason it cannot be carried out (the subscription is then
// left as it was).
bool ParseClientMessage(const std::string& text, CStreamSubscription& subscription,
                        std::string& error);

// The server's answer: {"type":"subscribed","events":[...],...}.
nlohmann::ordered_json DescribeSubscription(const CStreamSubscription& subscription);
