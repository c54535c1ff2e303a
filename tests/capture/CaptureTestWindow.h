#pragma once

// A borderless top-level window of the test thread that paints itself in one
// pair of colours on the screen (left half, right half, in its own logical
// coordinates) and in another colour when asked to print itself, so that a
// captured picture tells which way it was taken.

#include <windows.h>

#include "library/resource/UniqueResource.h"

namespace NCaptureTests {

struct CWindowColours
{
    COLORREF screenLeft;
    COLORREF screenRight;
    COLORREF print;
};

class CCaptureTestWindow
{
public:
    // Shown without activation and fully painted on return.
    CCaptureTestWindow(const RECT& bounds, const CWindowColours& colours, DWORD exStyle = 0,
                       const wchar_t* className = nullptr);
    ~CCaptureTestWindow();
    CCaptureTestWindow(const CCaptureTestWindow&) = delete;
    CCaptureTestWindow& operator=(const CCaptureTestWindow&) = delete;

    HWND Get() const { return window.Get(); }
    // Gives the window a region of the rectangles (window coordinates).
    void SetRegion(const RECT* rects, int count);
    int GetPaintCount() const;

private:
    NLibrary::NResource::CUniqueWindow window;
};

const COLORREF Red = RGB(255, 0, 0);
const COLORREF Green = RGB(0, 255, 0);
const COLORREF Blue = RGB(0, 0, 255);

// The 32-bit DIB value of a colour, without alpha.
inline unsigned DIBValue(COLORREF colour)
{
    return (unsigned(GetRValue(colour)) << 16) | (unsigned(GetGValue(colour)) << 8)
           | GetBValue(colour);
}

}  // namespace NCaptureTests
