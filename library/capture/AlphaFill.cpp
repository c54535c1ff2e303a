#include "library/capture/AlphaFill.h"

#include <algorithm>

namespace NLibrary { namespace NWin32 { namespace NCapture {

namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b)
{
    return -FloorDiv(-a, b);
}

template <typename TVisit>
void ForEachIndex(int64_t from, int64_t to, int64_t last, TVisit visit)
{
    for (int64_t i = std::max<int64_t>(from, 0); i <= std::min(to, last); ++i)
        visit(size_t(i));
}

// Visits every element index row x stride + column of the rectangle that lies
// in 0 ... last, once, without walking rows or columns that hold none of them.
template <typename TVisit>
void ForEachElement(uint32_t stride, const CAlphaRect& rect, int64_t last, TVisit visit)
{
    if (rect.left >= rect.right || rect.top >= rect.bottom || last < 0)
        return;
    const int64_t left = rect.left;
    const int64_t right = int64_t(rect.right) - 1;
    // Every row names the same elements.
    if (stride == 0) {
        ForEachIndex(left, right, last, visit);
        return;
    }
    const int64_t firstRow = std::max<int64_t>(rect.top, CeilDiv(-right, stride));
    const int64_t lastRow =
        std::min<int64_t>(int64_t(rect.bottom) - 1, FloorDiv(last - left, stride));
    if (firstRow > lastRow)
        return;
    // Rows at least a stride wide run into each other: one stretch of elements.
    if (right - left + 1 >= int64_t(stride)) {
        ForEachIndex(firstRow * stride + left, lastRow * stride + right, last, visit);
        return;
    }
    for (int64_t row = firstRow; row <= lastRow; ++row)
        ForEachIndex(row * stride + left, row * stride + right, last, visit);
}

template <typename TElement>
void FillAlpha(CDIBSurface* surface, uint32_t stride, const CAlphaRect& rect, TElement bits)
{
    if (surface == nullptr || !surface->IsValid()
        || surface->GetBytesPerPixel() != sizeof(TElement))
        return;
    TElement* elements = static_cast<TElement*>(surface->GetBits());
    // The section's rows are padded to 4 bytes: a 16-bit surface of odd width
    // holds one element more per row than its width, and a capture's last row
    // reaches into that room.
    const int64_t last = int64_t(surface->GetSectionBytes() / sizeof(TElement)) - 1;
    ForEachElement(stride, rect, last, [elements, bits](size_t index) { elements[index] |= bits; });
}

}  // namespace

void FillAlpha32(CDIBSurface* surface, uint32_t stride, const CAlphaRect& rect)
{
    FillAlpha<uint32_t>(surface, stride, rect, 0xFF000000u);
}

void FillAlpha16(CDIBSurface* surface, uint32_t stride, const CAlphaRect& rect)
{
    FillAlpha<uint16_t>(surface, stride, rect, uint16_t(0x8000));
}

}}}  // namespace NLibrary::NWin32::NCapture
