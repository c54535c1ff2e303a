#include "tests/capture/CaptureTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/common/ChildProcess.h"

namespace NCaptureTests {

bool RunSectionReader(const std::wstring& arguments, std::string* output, DWORD* exitCode)
{
    return NTestSupport::RunAndCollectOutput(L"section_reader_fixture.exe " + arguments, 30000,
                                             output, exitCode);
}

std::vector<uint32_t> ReadPixelsByName(const wchar_t* name, int32_t format, uint32_t width,
                                       uint32_t height, const std::vector<POINT>& points)
{
    std::wostringstream arguments;
    arguments << L"pixels " << name << L' ' << format << L' ' << width << L' ' << height;
    for (const POINT& p : points)
        arguments << L' ' << p.x << L' ' << p.y;
    std::string output;
    DWORD exitCode = 1;
    if (!RunSectionReader(arguments.str(), &output, &exitCode) || exitCode != 0)
        return {};
    std::vector<uint32_t> values;
    std::istringstream lines(output);
    std::string word;
    while (lines >> word)
        values.push_back(uint32_t(std::strtoul(word.c_str(), nullptr, 16)));
    return values.size() == points.size() ? values : std::vector<uint32_t>();
}

std::wstring MakeSectionName(const wchar_t* purpose)
{
    static LONG counter = 0;
    std::wostringstream name;
    name << L"Local\\CaptureTests-" << GetCurrentProcessId() << L'-' << purpose << L'-'
         << InterlockedIncrement(&counter);
    return name.str();
}

}  // namespace NCaptureTests
