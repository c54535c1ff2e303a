#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "library/capture/WindowCaptureCommand.h"

// Where zarvowatch serve listens unless --port says otherwise.
const uint16_t DefaultStreamPort = 15890;

enum CaptureFileType
{
    CaptureFileBitmap = 0,  // .bmp
    CaptureFilePng = 1,     // .png, through the imaging component
};

class CWatchOptions
{
public:
    std::wstring dllPath;        // the hook module; beside the executable by default
    bool json = false;           // JSON Lines instead of text
    double durationSeconds = 0;  // 0: until Ctrl+C
    std::wstring exec;           // a program to start once the hook is on
    std::wstring process;        // only windows of processes with this image name ...
    std::wstring className;      // ... and of this class (both without regard to case)
    bool initial = false;        // a Present line for each window that exists at the start
    bool allChanges = false;     // the watcher's unmerged delivery instead of the window model
    bool help = false;

    // zarvowatch serve: the window model as a WebSocket event stream on loopback.
    bool serve = false;
    uint16_t port = DefaultStreamPort;  // 0: any free port
    std::wstring tokenFile;             // empty: %LOCALAPPDATA%\zarvowatch\token

    // Command mode: apply one window command instead of watching.
    std::wstring
        command;  // close, show, hide, minimize, maximize, restore, topmost, notopmost, activate
    HWND window = nullptr;  // chosen by handle ...
    std::wstring title;     // ... or by exact title

    // Capture mode: write a picture of the chosen window (or the screen) to a file.
    std::wstring capturePath;
    CaptureFileType captureType = CaptureFileBitmap;
    bool screen = false;
    NLibrary::NWin32::NCapture::AlphaMode alphaMode = NLibrary::NWin32::NCapture::AlphaModeNone;
    NLibrary::NWin32::NCapture::CaptureMethod method =
        NLibrary::NWin32::NCapture::CaptureMethodAuto;
};

bool ParseWatchOptions(const wchar_t* commandLine, CWatchOptions& options, std::wstring& error);
const char* WatchUsage();
