#pragma once

// A command that takes a picture of one window, or of the screen, into a
// DIB surface: by copying the window's pixels from the screen or by asking
// the window to print itself, and optionally marking the pixels opaque,
// everywhere or only inside the window's window region.

#include <windows.h>

#include <cstdint>

#include "library/capture/DIBSurface.h"
#include "library/window/WindowCommand.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

enum CaptureMethod : int32_t
{
    CaptureMethodAuto = 0,
    CaptureMethodPrint = 1,
    CaptureMethodCopy = 2,
};

enum AlphaMode : int32_t
{
    AlphaModeNone = 0,
    AlphaModeRegion = 1,
    AlphaModeWhole = 2,
};

class CWindowCaptureCommand : public NWindow::IWindowCommand
{
public:
    CWindowCaptureCommand() = default;
    CWindowCaptureCommand(HWND window, CDIBSurface* surface, uint32_t width, uint32_t height);

    HWND GetTargetWindow() const override;
    void Execute() override;

    // Null captures from the DC of the whole screen.
    HWND window = nullptr;
    // Not owned.
    CDIBSurface* surface = nullptr;
    // Free for the caller; the capture never reads it.
    uintptr_t tag = 0;
    // Origin inside the window DC; anything but (0, 0) forces a screen copy.
    int32_t sourceX = 0;
    int32_t sourceY = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t method = CaptureMethodAuto;
    int32_t alphaMode = AlphaModeNone;
    // 1 redraws the window after it has printed itself.
    uint32_t redrawAfterPrint = 0;
    // 0 once a capture has completed; untouched by a failed one (1 before any).
    uint32_t status = 1;

private:
    bool ShouldPrint() const;
    bool Draw(HDC windowDC, HDC memoryDC);
    void PatchAlpha();
};

}}}  // namespace NLibrary::NWin32::NCapture
