#pragma once

// Setting the alpha bits of the pixels of one rectangle of a surface, so that
// a captured picture can be composed with per-pixel alpha.

#include <windows.h>

#include <cstdint>

#include "library/capture/DIBSurface.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

// Columns left ... right - 1 and rows top ... bottom - 1, rows counted in
// memory order (row 0 is the bottom row of a bottom-up DIB).
struct CAlphaRect
{
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The element of (row, column) is row x stride + column, counted from the
// surface's pixel pointer; elements past the end of the surface's section
// (its capacity rows, each padded to 4 bytes) are skipped.
// FillAlpha32 ORs 0xFF000000 into 32-bit elements, FillAlpha16 ORs 0x8000
// into 16-bit ones; each does nothing on a surface of the other element size.
void FillAlpha32(CDIBSurface* surface, uint32_t stride, const CAlphaRect& rect);
void FillAlpha16(CDIBSurface* surface, uint32_t stride, const CAlphaRect& rect);

}}}  // namespace NLibrary::NWin32::NCapture
