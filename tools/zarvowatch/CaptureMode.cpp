#include "tools/zarvowatch/CaptureMode.h"

#include "library/capture/BitmapFile.h"
#include "library/capture/WindowCaptureCommand.h"
#include "tools/zarvowatch/PngFile.h"
#include "tools/zarvowatch/WatchExitCode.h"
#include "tools/zarvowatch/WatchOutput.h"
#include "tools/zarvowatch/WindowChoice.h"

#include <cstdio>

namespace {

namespace NCapture = NLibrary::NWin32::NCapture;

bool PictureSize(HWND window, uint32_t& width, uint32_t& height)
{
    RECT bounds = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window != nullptr && !GetWindowRect(window, &bounds))
        return false;
    if (bounds.right <= bounds.left || bounds.bottom <= bounds.top)
        return false;
    width = uint32_t(bounds.right - bounds.left);
    height = uint32_t(bounds.bottom - bounds.top);
    return true;
}

// Without an alpha mode the capture leaves the alpha byte as the drawing left
// it (mostly 0), which a viewer that honours a 32-bit bitmap's alpha would
// show as transparent: the picture is opaque instead.
void MakeOpaque(const NCapture::CDIBSurface& surface, uint32_t width, uint32_t height)
{
    BYTE* pixels = static_cast<BYTE*>(surface.GetBits());
    const uint64_t count = uint64_t(width) * height;
    for (uint64_t i = 0; i < count; ++i)
        pixels[i * 4 + 3] = 0xFF;
}

void PrintCaptured(const CWatchOptions& options, HWND window, uint32_t width, uint32_t height)
{
    if (!options.json) {
        printf("captured %s\n  %ux%u pixels into %ls\n",
               window ? DescribeWindow(window).c_str() : "the screen", width, height,
               options.capturePath.c_str());
        return;
    }
    nlohmann::ordered_json line = {
        {"captured", window ? "window" : "screen"  },
        {"file",     JsonValue(options.capturePath)},
        {"width",    width                         },
        {"height",   height                        }
    };
    if (window != nullptr)
        AddWindowFields(line, window);
    printf("%s\n", JsonText(line).c_str());
}

uint32_t WritePicture(const CWatchOptions& options, const NCapture::CDIBSurface& surface,
                      uint32_t width, uint32_t height)
{
    if (options.captureType == CaptureFilePng)
        return WritePngFile(options.capturePath.c_str(), surface, width, height,
                            options.alphaMode != NCapture::AlphaModeNone);
    return NCapture::WriteBitmapFile(options.capturePath.c_str(), surface, width, height);
}

}  // namespace

int RunCapture(const CWatchOptions& options)
{
    HWND window = nullptr;
    if (!options.screen) {
        if (const int exitCode = FindChosenWindow(options, &window))
            return exitCode;
    }
    if (window != nullptr && !IsWindowVisible(window)) {
        fprintf(stderr, "zarvowatch: the window is hidden, so there is nothing to capture\n");
        return WatchExitCaptureFailed;
    }
    uint32_t width = 0, height = 0;
    NCapture::CDIBSurface surface;
    if (!PictureSize(window, width, height)
        || surface.Create(width, height, NCapture::DIBFormatARGB32) != 0) {
        fprintf(stderr, "zarvowatch: cannot make a %ux%u picture\n", width, height);
        return WatchExitCaptureFailed;
    }
    NCapture::CWindowCaptureCommand capture(window, &surface, width, height);
    capture.method = options.method;
    capture.alphaMode = options.alphaMode;
    capture.Execute();
    if (capture.status != 0) {
        fprintf(stderr, "zarvowatch: the capture failed\n");
        return WatchExitCaptureFailed;
    }
    if (options.alphaMode == NCapture::AlphaModeNone)
        MakeOpaque(surface, width, height);
    if (WritePicture(options, surface, width, height) != 0) {
        fprintf(stderr, "zarvowatch: cannot write %ls\n", options.capturePath.c_str());
        return WatchExitWriteFailed;
    }
    PrintCaptured(options, window, width, height);
    return WatchExitSuccess;
}
