// Appending many short texts to a CDynamicHeapStringBuffer and many elements
// to a CDynamicHeapArrayBuffer, against std::wstring and std::vector doing
// the same work in the same run. The buffers grow by a fixed step of 4
// elements, so each append past the block copies the whole content: the time
// per append grows with the count (quadratic in total) where the standard
// containers, growing geometrically, stay flat.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "library/datatype/array/Array.h"
#include "bench/BenchClock.h"
#include "library/datatype/string/StringBuffer.h"

using namespace NLibrary::NDatatype;

namespace {

// Best of three, in seconds.
template <typename TWork>
double Measure(TWork work)
{
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        const double start = NowSeconds();
        work();
        const double elapsed = NowSeconds() - start;
        if (elapsed < best)
            best = elapsed;
    }
    return best;
}

volatile size_t Sink;

const wchar_t* const Parts[] = {L"item,", L"a,", L"window;", L"x", L"class name|", L"42,"};
constexpr size_t PartCount = sizeof(Parts) / sizeof(Parts[0]);

void BenchStringAppend(size_t appends)
{
    const double ours = Measure([&] {
        NString::CDynamicHeapStringBuffer text;
        for (size_t i = 0; i < appends; ++i) {
            const wchar_t* part = Parts[i % PartCount];
            text.Append(part, uint32_t(wcslen(part)));
        }
        Sink = text.GetLength();
    });
    const double standard = Measure([&] {
        std::wstring text;
        for (size_t i = 0; i < appends; ++i)
            text.append(Parts[i % PartCount]);
        Sink = text.size();
    });
    printf("string append   %8zu texts: CDynamicHeapStringBuffer %10.1f ns/append, std::wstring "
           "%6.1f ns/append, ratio %8.1f\n",
           appends, ours * 1e9 / double(appends), standard * 1e9 / double(appends),
           ours / standard);
}

template <typename T>
void BenchArrayAppend(const char* name, size_t appends, uint32_t growBy)
{
    const double ours = Measure([&] {
        NArray::CDynamicHeapArrayBuffer<T> array(growBy);
        for (size_t i = 0; i < appends; ++i) {
            array.Grow(1);
            array.GetAt(uint32_t(i)) = T(i);
        }
        Sink = array.GetSize();
    });
    const double standard = Measure([&] {
        std::vector<T> array;
        for (size_t i = 0; i < appends; ++i)
            array.push_back(T(i));
        Sink = array.size();
    });
    printf("array<%s> append %8zu elements, step %4u: CDynamicHeapArrayBuffer %10.1f ns/append, "
           "std::vector %6.1f ns/append, ratio %8.1f\n",
           name, appends, growBy, ours * 1e9 / double(appends), standard * 1e9 / double(appends),
           ours / standard);
}

}  // namespace

int main()
{
    printf("datatype_bench: time per append (best of 3 runs)\n");
    for (size_t appends : {1000u, 4000u, 16000u, 32000u})
        BenchStringAppend(appends);
    for (size_t appends : {1000u, 10000u, 40000u, 80000u})
        BenchArrayAppend<int>("int", appends, 4);
    for (size_t appends : {1000u, 10000u, 40000u, 80000u})
        BenchArrayAppend<wchar_t>("wchar_t", appends, 4);
    // The lists of other areas choose their step where they are created.
    for (size_t appends : {10000u, 80000u})
        BenchArrayAppend<int>("int", appends, 1024);
    return 0;
}
