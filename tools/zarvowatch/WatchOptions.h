#pragma once

#include <windows.h>

#include <string>

struct WatchOptions {
    std::wstring dllPath;       // the hook module; beside the executable by default
    bool json = false;          // JSON Lines instead of text
    double durationSeconds = 0; // 0: until Ctrl+C
    std::wstring exec;          // a program to start once the hook is on
    bool help = false;

    // Command mode: apply one window command instead of watching.
    std::wstring command;       // close, show, hide, minimize, maximize, restore, topmost, notopmost, activate
    HWND window = nullptr;      // chosen by handle ...
    std::wstring title;         // ... or by exact title
};

bool ParseWatchOptions(const wchar_t* commandLine, WatchOptions& options, std::wstring& error);
const char* WatchUsage();
