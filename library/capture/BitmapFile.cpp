#include "library/capture/BitmapFile.h"

#include <windows.h>

#include "library/synchronization/UniqueHandle.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

namespace {

bool WriteAll(HANDLE file, const void* data, uint64_t bytes)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    while (bytes != 0) {
        const DWORD chunk = bytes > 0x40000000 ? 0x40000000 : DWORD(bytes);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written != chunk)
            return false;
        p += chunk;
        bytes -= chunk;
    }
    return true;
}

}  // namespace

uint32_t WriteBitmapFile(const wchar_t* path, const CDIBSurface& surface, uint32_t width,
                         uint32_t height)
{
    if (path == nullptr || !surface.IsValid() || surface.GetFormat() != DIBFormatARGB32
        || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        return 1;
    const uint64_t pixelBytes = uint64_t(width) * height * 4;
    const uint64_t headerBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    if (pixelBytes > surface.GetSectionBytes() || headerBytes + pixelBytes > UINT32_MAX)
        return 1;

    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfSize = DWORD(headerBytes + pixelBytes);
    fileHeader.bfOffBits = DWORD(headerBytes);
    BITMAPINFOHEADER infoHeader = {};
    infoHeader.biSize = sizeof(infoHeader);
    infoHeader.biWidth = LONG(width);
    infoHeader.biHeight = LONG(height);
    infoHeader.biPlanes = 1;
    infoHeader.biBitCount = 32;
    infoHeader.biCompression = BI_RGB;
    infoHeader.biSizeImage = DWORD(pixelBytes);

    bool written = false;
    {
        const NSynchronization::CUniqueHandle file(CreateFileW(
            path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid())
            return 1;
        written = WriteAll(file.Get(), &fileHeader, sizeof(fileHeader))
                  && WriteAll(file.Get(), &infoHeader, sizeof(infoHeader))
                  && WriteAll(file.Get(), surface.GetBits(), pixelBytes);
    }
    if (!written) {
        DeleteFileW(path);
        return 1;
    }
    return 0;
}

}}}  // namespace NLibrary::NWin32::NCapture
