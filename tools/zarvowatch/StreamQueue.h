#pragma once

// What waits to be sent to one client of the event stream. A client that
// reads slowly never holds up the watcher or the other clients: its events
// wait here, and the position changes of one window that it has not been sent
// yet merge into one message that counts them, as the window model merges
// them for a slow callback. Only more waiting events than the capacity (a
// client that has fallen too far behind) end the client.

#include <windows.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "watcher/WindowEventKind.h"

// One event as the stream sends it: rendered once, shared by every client
// that has it waiting.
class CStreamEvent
{
public:
    uint64_t sequence = 0;
    NLibrary::NWin32::NWindow::NWatcher::WindowEventKind kind =
        NLibrary::NWin32::NWindow::NWatcher::WindowEventPosChanged;
    HWND window = nullptr;
    uint32_t merged = 1;  // as `message` says
    std::wstring image;   // the window's, for the clients' subscriptions
    std::wstring className;
    std::string message;  // the JSON text, with a member "merged"

    // The message as it stands for `count` changes.
    std::string Render(uint32_t count) const;
};

// Position changes: their newest state says all the older ones did.
bool IsMergeable(NLibrary::NWin32::NWindow::NWatcher::WindowEventKind kind);

class CStreamQueue
{
public:
    class CWaiting
    {
    public:
        std::shared_ptr<const CStreamEvent> event;
        uint32_t merged = 0;  // changes it stands for
    };

    explicit CStreamQueue(size_t capacity) : capacity(capacity) {}

    // Adds the event, or merges it into the window's newest waiting event
    // when both are the same kind of position change; that one then moves to
    // the end, so that what is sent stays in sequence order. False, with
    // nothing added, when `capacity` events wait already.
    bool Push(const std::shared_ptr<const CStreamEvent>& event);

    bool IsEmpty() const { return waiting.empty(); }
    size_t GetCount() const { return waiting.size(); }

    // The oldest waiting event, removed; it can no longer be merged into.
    CWaiting Pop();

    void Clear();

private:
    size_t capacity;
    std::list<CWaiting> waiting;
    // Each window's newest waiting event, while that one may take merges.
    std::unordered_map<HWND, std::list<CWaiting>::iterator> mergeable;
};
