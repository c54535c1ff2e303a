#include <gtest/gtest.h>

#include <boost/shared_ptr.hpp>

#include "library/datatype/array/Array.h"

using namespace NLibrary::NDatatype::NArray;

using CPathStorage = CAutoArrayBuffer<wchar_t, 261, wchar_t, 0>;
using CTextStorage = CAutoArrayBuffer<wchar_t, 4097, wchar_t, 0>;

TEST(FixedArray, RequestsBetweenOneAndAllElementsSucceed)
{
    CPathStorage path;
    wchar_t* p = nullptr;
    EXPECT_EQ(0u, path.GetBuffer(261, &p));
    EXPECT_EQ(&path.GetAt(0), p);
    EXPECT_EQ(0u, path.GetBuffer(1, &p));
    EXPECT_EQ(1u, path.GetBuffer(262, &p));
    EXPECT_EQ(1u, path.GetBuffer(0, &p));
    EXPECT_EQ(1u, path.GetBuffer(1, nullptr));
    EXPECT_TRUE(path.IsIndexValid(260));
    EXPECT_FALSE(path.IsIndexValid(261));
    EXPECT_EQ(261u, path.GetSize());

    CTextStorage text;
    EXPECT_EQ(0u, text.GetBuffer(4097, &p));
    EXPECT_EQ(1u, text.GetBuffer(4098, &p));

    const wchar_t* readOnly = nullptr;
    EXPECT_EQ(1u, static_cast<const IArray<wchar_t>&>(text).GetBuffer(nullptr));
    EXPECT_EQ(0u, static_cast<const IArray<wchar_t>&>(text).GetBuffer(&readOnly));
}

TEST(FixedArray, HeapArrayHasTheCountItWasMadeWith)
{
    CHeapArrayBuffer<wchar_t> heap(10);
    wchar_t* p = nullptr;
    EXPECT_TRUE(heap.IsValid());
    EXPECT_EQ(10u, heap.GetSize());
    EXPECT_TRUE(heap.IsIndexValid(9));
    EXPECT_FALSE(heap.IsIndexValid(10));
    EXPECT_EQ(0u, heap.GetBuffer(10, &p));
    EXPECT_EQ(1u, heap.GetBuffer(11, &p));
    EXPECT_EQ(1u, heap.GetBuffer(0, &p));

    CHeapArrayBuffer<wchar_t> none(0);
    const wchar_t* q = nullptr;
    EXPECT_FALSE(none.IsValid());
    EXPECT_FALSE(none.IsIndexValid(0));
    EXPECT_EQ(1u, none.GetBuffer(1, &p));
    EXPECT_EQ(1u, static_cast<const IArray<wchar_t>&>(none).GetBuffer(&q));
}

TEST(DynamicArray, NewArrayIsValidButHasNoElement)
{
    CDynamicHeapArrayBuffer<wchar_t> array;
    wchar_t* p = nullptr;
    const wchar_t* q = nullptr;
    EXPECT_TRUE(array.IsValid());
    EXPECT_EQ(0u, array.GetSize());
    EXPECT_FALSE(array.IsIndexValid(0));
    EXPECT_EQ(1u, static_cast<const IArray<wchar_t>&>(array).GetBuffer(&q));
    EXPECT_EQ(1u, array.GetBuffer(0, &p));
    EXPECT_EQ(0u, array.GetCapacity());
}

TEST(DynamicArray, GrowsToTheNextMultipleOfTheStepAboveTheSize)
{
    CDynamicHeapArrayBuffer<wchar_t> array;
    wchar_t* p = nullptr;
    ASSERT_EQ(0u, array.GetBuffer(5, &p));
    EXPECT_EQ(5u, array.GetSize());
    EXPECT_EQ(8u, array.GetCapacity());

    // A smaller request returns the block as it is.
    wchar_t* again = nullptr;
    ASSERT_EQ(0u, array.GetBuffer(3, &again));
    EXPECT_EQ(p, again);
    EXPECT_EQ(5u, array.GetSize());

    // Within the capacity: no new block.
    ASSERT_EQ(0u, array.Grow(2));
    EXPECT_EQ(7u, array.GetSize());
    EXPECT_EQ(8u, array.GetCapacity());
    ASSERT_EQ(0u, array.GetBuffer(7, &again));
    EXPECT_EQ(p, again);

    // Growth may fill the block; the next element moves to a larger one.
    ASSERT_EQ(0u, array.Grow(1));
    EXPECT_EQ(8u, array.GetSize());
    EXPECT_EQ(8u, array.GetCapacity());
    ASSERT_EQ(0u, array.Grow(1));
    EXPECT_EQ(12u, array.GetCapacity());
    ASSERT_EQ(0u, array.Grow(4097 - 9));
    EXPECT_EQ(4100u, array.GetCapacity());

    EXPECT_EQ(0u, array.Grow(0));
    EXPECT_EQ(4097u, array.GetSize());
}

TEST(DynamicArray, GrowthKeepsTheElementsInOrder)
{
    CDynamicHeapArrayBuffer<int> array(3);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(0u, array.Grow(1));
        array.GetAt(uint32_t(i)) = i * 7;
    }
    EXPECT_EQ(102u, array.GetCapacity());
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(i * 7, array.GetAt(uint32_t(i)));
}

TEST(DynamicArray, GrowthBeyondTheCountRangeIsRefused)
{
    CDynamicHeapArrayBuffer<wchar_t> array;
    ASSERT_EQ(0u, array.Grow(3));
    EXPECT_EQ(1u, array.Grow(UINT32_MAX - 1));
    EXPECT_EQ(3u, array.GetSize());
    EXPECT_TRUE(array.IsValid());
}

TEST(DynamicArray, RemoveAtMovesLaterElementsDown)
{
    CDynamicHeapArrayBuffer<wchar_t> array;
    wchar_t* p = nullptr;
    ASSERT_EQ(0u, array.GetBuffer(3, &p));
    p[0] = L'a';
    p[1] = L'b';
    p[2] = L'c';
    EXPECT_EQ(1u, array.RemoveAt(7));
    EXPECT_EQ(1u, array.RemoveAt(3));
    ASSERT_EQ(0u, array.RemoveAt(0));
    EXPECT_EQ(2u, array.GetSize());
    EXPECT_EQ(L'b', array.GetAt(0));
    EXPECT_EQ(L'c', array.GetAt(1));
    ASSERT_EQ(0u, array.RemoveAt(1));
    EXPECT_EQ(L'b', array.GetAt(0));
    ASSERT_EQ(0u, array.RemoveAt(0));
    EXPECT_EQ(0u, array.GetSize());
    EXPECT_EQ(0u, array.RemoveAt(0));
    EXPECT_EQ(0u, array.RemoveAt(7));
    EXPECT_EQ(4u, array.GetCapacity());
}

TEST(DynamicArray, ReleaseReturnsToTheInitialState)
{
    CDynamicHeapArrayBuffer<wchar_t> array;
    ASSERT_EQ(0u, array.Grow(9));
    array.Release();
    EXPECT_EQ(0u, array.GetSize());
    EXPECT_EQ(0u, array.GetCapacity());
    EXPECT_TRUE(array.IsValid());
    const wchar_t* q = nullptr;
    EXPECT_EQ(1u, static_cast<const IArray<wchar_t>&>(array).GetBuffer(&q));
}

// Shared owners are objects: the array holds one reference per element, moves
// references on growth and removal, and gives every one back on destruction.
TEST(DynamicArrayOfSharedOwners, HoldsExactlyOneReferencePerElement)
{
    boost::shared_ptr<int> first(new int(1));
    boost::shared_ptr<int> second(new int(2));
    {
        CDynamicHeapArrayBuffer<boost::shared_ptr<int>> array;
        ASSERT_EQ(0u, array.Grow(2));
        EXPECT_FALSE(array.GetAt(0));
        array.GetAt(0) = first;
        array.GetAt(1) = second;
        EXPECT_EQ(2, first.use_count());

        // Reallocations copy the references, then drop the old block's.
        ASSERT_EQ(0u, array.Grow(20));
        EXPECT_EQ(2, first.use_count());
        EXPECT_EQ(2, second.use_count());
        EXPECT_EQ(1, *array.GetAt(0));

        // The removed element's reference is given back at once.
        ASSERT_EQ(0u, array.RemoveAt(0));
        EXPECT_EQ(1, first.use_count());
        EXPECT_EQ(2, second.use_count());
        EXPECT_EQ(second, array.GetAt(0));
    }
    EXPECT_EQ(1, second.use_count());
}

TEST(DynamicArrayOfPointers, NeverOwnsWhatTheElementsPointTo)
{
    int value = 5;
    {
        CDynamicHeapArrayBuffer<int*> array;
        ASSERT_EQ(0u, array.Grow(1));
        array.GetAt(0) = &value;
        ASSERT_EQ(0u, array.Grow(10));
        EXPECT_EQ(&value, array.GetAt(0));
    }
    EXPECT_EQ(5, value);
}
