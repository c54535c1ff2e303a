#include "tools/zarvowatch/CaptureMode.h"

#include "library/capture/BitmapFile.h"
#include "library/capture/WindowCaptureCommand.h"
#include "library/window/WindowQueries.h"
#include "tools/zarvowatch/WatchOutput.h"

#include <cstdio>

namespace {

namespace NCapture = NLibrary::NWin32::NCapture;
namespace NWindow = NLibrary::NWin32::NWindow;

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

}  // namespace

int RunCapture(const WatchOptions& options)
{
    HWND window = nullptr;
    if (!options.screen) {
        window = options.window != nullptr ? options.window : FindWindowW(nullptr, options.title.c_str());
        if (!NWindow::IsValidWindow(window)) {
            fprintf(stderr, "zarvowatch: no such window\n");
            return 5;
        }
    }
    uint32_t width = 0, height = 0;
    NCapture::CDIBSurface surface;
    if (!PictureSize(window, width, height) || surface.Create(width, height, NCapture::DIBFormatARGB32) != 0) {
        fprintf(stderr, "zarvowatch: cannot make a %ux%u picture\n", width, height);
        return 8;
    }
    NCapture::CWindowCaptureCommand capture(window, &surface, width, height);
    capture.method = options.method;
    capture.alphaMode = options.alphaMode;
    capture.Execute();
    if (capture.status != 0) {
        fprintf(stderr, "zarvowatch: the capture failed\n");
        return 8;
    }
    if (NCapture::WriteBitmapFile(options.capturePath.c_str(), surface, width, height) != 0) {
        fprintf(stderr, "zarvowatch: cannot write %ls\n", options.capturePath.c_str());
        return 9;
    }
    printf("captured %s\n  %ux%u pixels into %ls\n", window ? DescribeWindow(window).c_str() : "the screen", width,
           height, options.capturePath.c_str());
    return 0;
}
