#pragma once

#include <cstdint>

#include "library/capture/DIBSurface.h"

// Writes the bottom-up 32-bit picture of width x height pixels at the start of
// the surface (what a capture leaves there) as a PNG file through the imaging
// component. With keepAlpha the alpha bytes become the PNG's alpha channel;
// without, the picture is written opaque (a capture without alpha leaves
// those bytes undefined). 0 on success, 1 on failure (a partly written file
// is deleted).
uint32_t WritePngFile(const wchar_t* path, const NLibrary::NWin32::NCapture::CDIBSurface& surface,
                      uint32_t width, uint32_t height, bool keepAlpha);
