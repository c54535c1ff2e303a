#pragma once

// Helpers of the capture tests: a helper process that reads a section by
// name, and windows painted in known colours.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/Wait.h"

namespace NCaptureTests {

// Runs section_reader_fixture.exe with the arguments; its standard output and
// exit code come back. False when the process cannot be run or exceeds 30 s.
bool RunSectionReader(const std::wstring& arguments, std::string* output, DWORD* exitCode);

// Pixel values the helper process reads from the named section at the given
// picture points (x from the left, y from the top), or an empty list when it
// fails.
std::vector<uint32_t> ReadPixelsByName(const wchar_t* name, int32_t format, uint32_t width,
                                       uint32_t height, const std::vector<POINT>& points);

// A name for a section that no other test uses.
std::wstring MakeSectionName(const wchar_t* purpose);

using NTestSupport::PumpMessages;

}  // namespace NCaptureTests
