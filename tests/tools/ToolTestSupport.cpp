#include "tests/tools/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>
#include <sstream>

#include "tests/common/ChildProcess.h"
#include "tests/common/Wait.h"

namespace NToolTestSupport {

std::wstring TempFile(const std::wstring& name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"tools-tests-" + std::to_wstring(GetCurrentProcessId()) + L"-"
           + name;
}

std::string ReadFile(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool WaitForText(const std::wstring& path, const std::string& text, DWORD milliseconds)
{
    return NTestSupport::WaitUntil([&] { return ReadFile(path).find(text) != std::string::npos; },
                                   milliseconds);
}

DWORD RunTool(const std::wstring& arguments, std::string* output)
{
    const std::wstring outputFile = TempFile(L"output.txt");
    DWORD code = STILL_ACTIVE;
    {
        NTestSupport::CChildProcess tool(L"zarvowatch.exe " + arguments, outputFile);
        EXPECT_TRUE(tool.WaitForExit(10000));
        code = tool.ExitCode();
    }
    if (output != nullptr)
        *output = ReadFile(outputFile);
    DeleteFileW(outputFile.c_str());
    return code;
}

std::string LineWith(const std::string& lines, const std::string& text)
{
    const size_t at = lines.find(text);
    if (at == std::string::npos)
        return std::string();
    const size_t start = lines.rfind('\n', at);
    const size_t begin = start == std::string::npos ? 0 : start + 1;
    return lines.substr(begin, lines.find('\n', at) - begin);
}

std::wstring HandleArgument(HWND hwnd)
{
    wchar_t text[32];
    swprintf(text, 32, L"0x%llx",
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return text;
}

}  // namespace NToolTestSupport
