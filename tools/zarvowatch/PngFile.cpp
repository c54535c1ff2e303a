#include "tools/zarvowatch/PngFile.h"

#include <windows.h>

#include <wincodec.h>

#include <vector>

#include "library/resource/COM.h"
#include "library/resource/UniqueResource.h"

namespace {

namespace NCOM = NLibrary::NWin32::NCOM;
using NLibrary::NResource::CUniqueComReference;

// COM for the span of one write, undone only if this call set it up.
class CComScope
{
public:
    CComScope() : result(NCOM::InitializeCOM()) {}
    ~CComScope()
    {
        if (SUCCEEDED(result))
            NCOM::UninitializeCOM();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

    bool IsUsable() const { return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE; }

private:
    HRESULT result;
};

// One row of the surface, top row first, in the frame's pixel format.
void CopyRow(const BYTE* source, uint32_t width, bool keepAlpha, std::vector<BYTE>& row)
{
    if (keepAlpha) {
        row.assign(source, source + width * 4);
        return;
    }
    row.resize(width * 3);
    for (uint32_t x = 0; x < width; ++x) {
        row[x * 3] = source[x * 4];
        row[x * 3 + 1] = source[x * 4 + 1];
        row[x * 3 + 2] = source[x * 4 + 2];
    }
}

HRESULT Encode(const wchar_t* path, const BYTE* pixels, uint32_t width, uint32_t height,
               bool keepAlpha)
{
    CUniqueComReference<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Put()));
    CUniqueComReference<IWICStream> stream;
    if (SUCCEEDED(hr))
        hr = factory.Get()->CreateStream(stream.Put());
    if (SUCCEEDED(hr))
        hr = stream.Get()->InitializeFromFilename(path, GENERIC_WRITE);
    CUniqueComReference<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(hr))
        hr = factory.Get()->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put());
    if (SUCCEEDED(hr))
        hr = encoder.Get()->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    CUniqueComReference<IWICBitmapFrameEncode> frame;
    if (SUCCEEDED(hr))
        hr = encoder.Get()->CreateNewFrame(frame.Put(), nullptr);
    if (SUCCEEDED(hr))
        hr = frame.Get()->Initialize(nullptr);
    if (SUCCEEDED(hr))
        hr = frame.Get()->SetSize(width, height);
    const GUID wanted = keepAlpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    GUID format = wanted;
    if (SUCCEEDED(hr))
        hr = frame.Get()->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && format != wanted)
        hr = E_FAIL;  // the encoder would convert; ours are both formats every PNG encoder takes
    const uint32_t sourceStride = width * 4;
    std::vector<BYTE> row;
    for (uint32_t y = 0; SUCCEEDED(hr) && y < height; ++y) {
        CopyRow(pixels + uint64_t(height - 1 - y) * sourceStride, width, keepAlpha, row);
        hr = frame.Get()->WritePixels(1, UINT(row.size()), UINT(row.size()), row.data());
    }
    if (SUCCEEDED(hr))
        hr = frame.Get()->Commit();
    if (SUCCEEDED(hr))
        hr = encoder.Get()->Commit();
    return hr;
}

}  // namespace

uint32_t WritePngFile(const wchar_t* path, const NLibrary::NWin32::NCapture::CDIBSurface& surface,
                      uint32_t width, uint32_t height, bool keepAlpha)
{
    if (path == nullptr || !surface.IsValid() || width == 0 || height == 0
        || uint64_t(width) * height * 4 > surface.GetSectionBytes())
        return 1;
    CComScope com;
    if (!com.IsUsable())
        return 1;
    if (FAILED(
            Encode(path, static_cast<const BYTE*>(surface.GetBits()), width, height, keepAlpha))) {
        DeleteFileW(path);
        return 1;
    }
    return 0;
}
