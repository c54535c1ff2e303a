#include "tests/capture/CaptureTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace NCaptureTests {

namespace {

struct CHandle
{
    HANDLE handle = nullptr;
    ~CHandle()
    {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

}  // namespace

bool RunSectionReader(const std::wstring& arguments, std::string* output, DWORD* exitCode)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    CHandle readEnd, writeEnd;
    if (!CreatePipe(&readEnd.handle, &writeEnd.handle, &inherit, 0))
        return false;
    SetHandleInformation(readEnd.handle, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.handle;
    startup.hStdError = writeEnd.handle;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring commandLine = L"section_reader_fixture.exe " + arguments;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(writeEnd.handle);
    writeEnd.handle = nullptr;

    output->clear();
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(readEnd.handle, chunk, sizeof(chunk), &got, nullptr) && got != 0)
        output->append(chunk, got);
    const bool finished = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    GetExitCodeProcess(process.hProcess, exitCode);
    CloseHandle(process.hProcess);
    return finished;
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

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace NCaptureTests
