#include "tools/zarvowatch/StreamQueue.h"

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

// Outside strings a quote is never escaped, so the first `,"merged":` of
// the text is the member and not a part of a title.
const char MergedMember[] = ",\"merged\":";

}  // namespace

std::string CStreamEvent::Render(uint32_t count) const
{
    if (count == merged)
        return message;
    const size_t member = message.find(MergedMember);
    if (member == std::string::npos)
        return message;
    const size_t value = member + sizeof(MergedMember) - 1;
    const size_t end = message.find_first_not_of("0123456789", value);
    return message.substr(0, value) + std::to_string(count) + message.substr(end);
}

bool IsMergeable(NWatcher::WindowEventKind kind)
{
    return kind == NWatcher::WindowEventPosChanged || kind == NWatcher::WindowEventMoving;
}

bool CStreamQueue::Push(const std::shared_ptr<const CStreamEvent>& event)
{
    auto newest = mergeable.find(event->window);
    if (newest != mergeable.end()) {
        if (IsMergeable(event->kind) && newest->second->event->kind == event->kind) {
            newest->second->event = event;
            newest->second->merged += event->merged;
            waiting.splice(waiting.end(), waiting, newest->second);
            return true;
        }
        mergeable.erase(newest);
    }
    if (waiting.size() >= capacity)
        return false;
    waiting.push_back(CWaiting {event, event->merged});
    if (IsMergeable(event->kind))
        mergeable[event->window] = std::prev(waiting.end());
    return true;
}

CStreamQueue::CWaiting CStreamQueue::Pop()
{
    CWaiting oldest = waiting.front();
    auto newest = mergeable.find(oldest.event->window);
    if (newest != mergeable.end() && newest->second == waiting.begin())
        mergeable.erase(newest);
    waiting.pop_front();
    return oldest;
}

void CStreamQueue::Clear()
{
    mergeable.clear();
    waiting.clear();
}
