#include <gtest/gtest.h>

#include "library/datatype/array/Array.h"
#include "library/datatype/string/StringBuffer.h"
#include "library/window/WindowClassNames.h"

using namespace NLibrary::NDatatype;

TEST(DatatypeSmoke, DynamicArrayGrowsInStepsOfFour)
{
    NArray::CDynamicHeapArrayBuffer<wchar_t> array;
    wchar_t* p = nullptr;
    ASSERT_EQ(0u, array.GetBuffer(5, &p));
    EXPECT_EQ(5u, array.GetSize());
    EXPECT_EQ(8u, array.GetCapacity());
}

TEST(DatatypeSmoke, StringBuffersHoldText)
{
    NString::CAutoStringBuffer<260> autoText;
    NString::CDynamicHeapStringBuffer dynamicText;
    NString::CHeapStringBuffer heapText(16);
    ASSERT_EQ(0u, autoText.Assign(L"WorkerW", 7));
    ASSERT_EQ(0u, dynamicText.Assign(autoText));
    ASSERT_EQ(0u, heapText.Assign(dynamicText));
    EXPECT_TRUE(NString::AreEqual(heapText, NLibrary::NWin32::NWindow::WorkerWClassName, 0));
    EXPECT_EQ(7u, NLibrary::NWin32::NWindow::WorkerWClassName.GetLength());
}
