// Helper process of the capture tests.
//   pixels NAME FORMAT WIDTH HEIGHT X Y [X Y ...]
//     Opens the named section on its own, as any other process would, and
//     prints the pixel value at each picture point (y counted from the top) in
//     hex, one a line, reading the layout of a bottom-up DIB with rows padded
//     to 4 bytes. Exit code 0, or 1 when the section cannot be read.
//   overrun
//     Fills alpha rectangles that reach past the capacity of surfaces whose
//     views end at a page followed by no accessible memory: a write past the
//     end faults and ends the process with an access violation. Exit code 0
//     when every in-range element was filled and nothing else was written, 2
//     on a wrong value, 3 when no inaccessible page follows a view.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "library/capture/AlphaFill.h"
#include "library/capture/DIBSurface.h"
#include "library/resource/UniqueResource.h"

using namespace NLibrary::NWin32::NCapture;

namespace {

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (; *text != 0; ++text)
        wide += wchar_t(static_cast<unsigned char>(*text));
    return wide;
}

int ReadPixels(int argc, char** argv)
{
    if (argc < 6 || (argc - 6) % 2 != 0)
        return 1;
    const int format = std::atoi(argv[3]);
    const unsigned width = std::strtoul(argv[4], nullptr, 10);
    const unsigned height = std::strtoul(argv[5], nullptr, 10);
    const unsigned bitCount = format == 4 ? 32 : 16;
    const size_t rowBytes = ((size_t(bitCount) * width + 31) / 32) * 4;

    const NLibrary::NResource::CUniqueFileMapping section(
        OpenFileMappingW(FILE_MAP_READ, FALSE, Widen(argv[2]).c_str()));
    if (!section.IsValid())
        return 1;
    const NLibrary::NResource::CUniqueMappedView mapped(
        MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, rowBytes * height));
    if (!mapped.IsValid())
        return 1;
    const BYTE* view = static_cast<const BYTE*>(mapped.Get());
    for (int i = 6; i + 1 < argc; i += 2) {
        const unsigned x = std::strtoul(argv[i], nullptr, 10);
        const unsigned y = std::strtoul(argv[i + 1], nullptr, 10);
        if (x >= width || y >= height)
            return 1;
        const BYTE* p = view + (height - 1 - y) * rowBytes + x * (bitCount / 8);
        uint32_t value = 0;
        std::memcpy(&value, p, bitCount / 8);
        std::printf("%08x\n", unsigned(value));
    }
    return 0;
}

bool IsFollowedByNoAccess(const CDIBSurface& surface)
{
    const BYTE* end = static_cast<const BYTE*>(surface.GetBits()) + surface.GetSectionBytes();
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(end, &info, sizeof(info)) == 0)
        return true;
    return info.State != MEM_COMMIT || (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0;
}

// A 32x32 ARGB32 surface is exactly one page. Rows 30 ... 40 of the
// rectangle reach ten rows past it; rows 30 and 31 are inside.
int OverrunArgb32()
{
    CDIBSurface surface;
    if (surface.Create(32, 32, DIBFormatARGB32) != 0 || surface.GetSectionBytes() != 4096)
        return 2;
    if (!IsFollowedByNoAccess(surface))
        return 3;
    FillAlpha32(&surface, 32, CAlphaRect {0, 30, 40, 41});
    const uint32_t* p = static_cast<const uint32_t*>(surface.GetBits());
    // Columns 32 ... 39 of row 30 are the first eight elements of row 31,
    // which is filled anyway; nothing before row 30 is touched.
    for (uint32_t i = 0; i < 32 * 32; ++i) {
        if (p[i] != (i >= 30 * 32 ? 0xFF000000u : 0u))
            return 2;
    }
    return 0;
}

// A 64x32 RGB555 surface is one page as well; a stride larger than the rows
// spreads the rectangle far past the end.
int OverrunRgb555()
{
    CDIBSurface surface;
    if (surface.Create(64, 32, DIBFormatRGB555) != 0 || surface.GetSectionBytes() != 4096)
        return 2;
    if (!IsFollowedByNoAccess(surface))
        return 3;
    FillAlpha16(&surface, 1000, CAlphaRect {0, 0, 64, 100});
    // A 32-bit fill must not treat 16-bit elements as 32-bit ones.
    FillAlpha32(&surface, 64, CAlphaRect {0, 0, 64, 32});
    const uint16_t* p = static_cast<const uint16_t*>(surface.GetBits());
    for (uint32_t i = 0; i < 64 * 32; ++i) {
        const bool filled = i < 64 || (i >= 1000 && i < 1064) || i >= 2000;
        if (p[i] != (filled ? 0x8000 : 0))
            return 2;
    }
    return 0;
}

// One row of 2047 16-bit pixels is padded to 2048 elements, one page.
int OverrunOddRgb555()
{
    CDIBSurface surface;
    if (surface.Create(2047, 1, DIBFormatRGB555) != 0 || surface.GetSectionBytes() != 4096)
        return 2;
    if (!IsFollowedByNoAccess(surface))
        return 3;
    FillAlpha16(&surface, 2048, CAlphaRect {0, 0, 2049, 5});
    const uint16_t* p = static_cast<const uint16_t*>(surface.GetBits());
    for (uint32_t i = 0; i < 2048; ++i) {
        if (p[i] != 0x8000)
            return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (argc >= 2 && std::strcmp(argv[1], "pixels") == 0)
        return ReadPixels(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "overrun") == 0) {
        for (int (*check)() : {OverrunArgb32, OverrunRgb555, OverrunOddRgb555}) {
            const int result = check();
            if (result != 0)
                return result;
        }
        return 0;
    }
    return 1;
}
