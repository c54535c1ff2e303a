#include "library/capture/WindowCaptureCommand.h"

#include <algorithm>

#include "library/capture/AlphaFill.h"
#include "library/capture/GdiOwners.h"
#include "library/capture/RegionArea.h"
#include "library/capture/RegionData.h"
#include "library/datatype/string/StringBuffer.h"
#include "library/window/WindowCommands.h"
#include "library/window/WindowQueries.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

namespace {

constexpr DWORD CopyRasterOperation = SRCCOPY | CAPTUREBLT;

// Fills rectangles of one surface with the fill that suits its format.
class CAlphaPainter
{
public:
    CAlphaPainter(CDIBSurface* surface, uint32_t width) : surface(surface)
    {
        format = surface->GetFormat();
        // A 16-bit DIB row holds an even number of pixels.
        stride = format == DIBFormatRGB555 ? width + (width & 1) : width;
    }

    bool IsPatchable() const { return format == DIBFormatARGB32 || format == DIBFormatRGB555; }

    void Fill(const CAlphaRect& rect) const
    {
        if (format == DIBFormatARGB32)
            FillAlpha32(surface, stride, rect);
        else if (format == DIBFormatRGB555)
            FillAlpha16(surface, stride, rect);
    }

private:
    CDIBSurface* surface;
    int32_t format;
    uint32_t stride;
};

// A rectangle of the window region, relative to the window's top-left
// corner, as DIB rows of a bottom-up bitmap, clipped to the bitmap.
CAlphaRect ToDIBRect(const RECT& r, uint32_t width, uint32_t height)
{
    const int64_t w = width;
    const int64_t h = height;
    CAlphaRect out;
    out.left = int32_t(std::max<int64_t>(r.left, 0));
    out.right = int32_t(std::min<int64_t>(r.right, w));
    if (out.left > out.right)
        out.left = out.right;
    const int64_t bottom = std::min<int64_t>(h - r.top, h);
    out.bottom = int32_t(std::max<int64_t>(bottom, INT32_MIN));
    out.top = int32_t(std::min<int64_t>(std::max<int64_t>(h - r.bottom, 0), out.bottom));
    return out;
}

// Keeps a surface selected into a memory DC for the span of one capture.
class CSurfaceAttachment
{
public:
    CSurfaceAttachment(CDIBSurface* surface, HDC dc, uint32_t width, uint32_t height)
        : surface(surface), attached(surface->AttachToDC(dc, width, height) == 0)
    {
    }
    ~CSurfaceAttachment()
    {
        if (attached)
            surface->DetachFromDC();
    }
    CSurfaceAttachment(const CSurfaceAttachment&) = delete;
    CSurfaceAttachment& operator=(const CSurfaceAttachment&) = delete;

    bool IsAttached() const { return attached; }

private:
    CDIBSurface* surface;
    bool attached;
};

}  // namespace

CWindowCaptureCommand::CWindowCaptureCommand(HWND window, CDIBSurface* surface, uint32_t width,
                                             uint32_t height)
    : window(window), surface(surface), width(width), height(height)
{
}

HWND CWindowCaptureCommand::GetTargetWindow() const
{
    return window;
}

void CWindowCaptureCommand::Execute()
{
    if (width == 0 || height == 0 || surface == nullptr
        || (window != nullptr && !NWindow::IsValidWindow(window)) || !surface->IsValid())
        return;
    // Declared in the order of acquisition, so that they are released in
    // reverse: the surface is detached before its DC is deleted, and the
    // memory DC goes before the window DC is given back.
    const CUniqueWindowDC windowDC(window, GetDCEx(window, nullptr, DCX_WINDOW));
    if (!windowDC.IsValid())
        return;
    const CUniqueMemoryDC memoryDC(CreateCompatibleDC(nullptr));
    if (!memoryDC.IsValid())
        return;
    const CSurfaceAttachment attachment(surface, memoryDC.Get(), width, height);
    if (!attachment.IsAttached())
        return;
    if (NWindow::IsRightToLeftLayoutExStyle(NWindow::GetWindowExStyle(window)))
        SetLayout(memoryDC.Get(), LAYOUT_RTL);
    if (!Draw(windowDC.Get(), memoryDC.Get()))
        return;
    if (alphaMode != AlphaModeNone)
        PatchAlpha();
    status = 0;
}

bool CWindowCaptureCommand::ShouldPrint() const
{
    if (sourceX != 0 || sourceY != 0 || method == CaptureMethodCopy)
        return false;
    if (method != CaptureMethodAuto)
        return true;
    const uint32_t full = GetWindowRegionArea(window);
    const uint32_t visible = GetVisibleWindowRegionArea(window);
    return visible < full;
}

bool CWindowCaptureCommand::Draw(HDC windowDC, HDC memoryDC)
{
    if (!ShouldPrint())
        return BitBlt(memoryDC, 0, 0, int(width), int(height), windowDC, sourceX, sourceY,
                      CopyRasterOperation)
               != 0;
    // Only a window can print itself; not every platform reports that for a
    // null window.
    if (window == nullptr || PrintWindow(window, memoryDC, 0) == 0)
        return false;
    if (redrawAfterPrint == 1)
        NWindow::RedrawWindowFully(window);
    return true;
}

void CWindowCaptureCommand::PatchAlpha()
{
    NDatatype::NString::CDynamicHeapStringBuffer className;
    if (NWindow::GetWindowClassName(window, className) != 0)
        return;
    const bool console = NWindow::IsConsoleWindowClass(className);
    const CAlphaPainter painter(surface, width);
    if (!painter.IsPatchable())
        return;
    const CAlphaRect whole = {0, 0, int32_t(width), int32_t(height)};
    if (alphaMode == AlphaModeWhole || console) {
        painter.Fill(whole);
        return;
    }
    const CUniqueGdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    if (!region.IsValid())
        return;
    if (NWindow::GetWindowRegion(window, region.Get()) != 0) {
        painter.Fill(whole);
        return;
    }
    CRegionData data;
    if (data.Read(region.Get()) != 0)
        return;
    for (uint32_t i = 0; i < data.GetCount(); ++i)
        painter.Fill(ToDIBRect(data.GetRects()[i], width, height));
}

}}}  // namespace NLibrary::NWin32::NCapture
