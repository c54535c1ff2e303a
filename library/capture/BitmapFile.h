#pragma once

// Writing the picture that a capture left in a 32-bit surface to a .bmp file.

#include <cstdint>

#include "library/capture/DIBSurface.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

// Writes the bottom-up 32-bit picture of width x height pixels at the start of
// the surface's section (what a capture of that size leaves there) as a
// standard uncompressed 32-bit BMP file, replacing any file at path. The
// surface must have the ARGB32 format and hold at least width x height
// pixels. 0 on success, 1 on failure (a partly written file is deleted).
uint32_t WriteBitmapFile(const wchar_t* path, const CDIBSurface& surface, uint32_t width,
                         uint32_t height);

}}}  // namespace NLibrary::NWin32::NCapture
