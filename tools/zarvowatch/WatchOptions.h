#pragma once

#include <windows.h>

#include <string>

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
    bool help = false;

    // Command mode: apply one window command instead of watching.
    std::wstring
        command;  // close, show, hide, minimize, maximize, restore, topmost, notopmost, activate
    HWND window = nullptr;  // chosen by handle ...
    std::wstring title;     // ... or by exact title

    // Capture mode: write a picture of the chosen window (or the screen) to a file.
    std::wstring capturePath;
    CaptureFileType captureType = CaptureFileBitmap;
    bool screen = false;
    int alphaMode = 0;  // none 0, region 1, whole 2
    int method = 0;     // auto 0, print 1, copy 2
};

bool ParseWatchOptions(const wchar_t* commandLine, CWatchOptions& options, std::wstring& error);
const char* WatchUsage();
