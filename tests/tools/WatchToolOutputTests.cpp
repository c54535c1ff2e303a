// The watch tool's process fields, filters, picture types and exit codes, run
// as a user runs it against the window of a second process.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/hook/HookTargetCommands.h"
#include "tests/hook/HookTestSupport.h"
#include "tools/zarvowatch/WatchExitCode.h"

namespace {

std::wstring TempFile(const std::wstring& name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"watcher-tests-" + std::to_wstring(GetCurrentProcessId()) + L"-"
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
    for (DWORD waited = 0; waited < milliseconds; waited += 20) {
        if (ReadFile(path).find(text) != std::string::npos)
            return true;
        Sleep(20);
    }
    return false;
}

// Runs the tool to its end and hands back its exit code and output.
DWORD RunTool(const std::wstring& arguments, std::string* output = nullptr)
{
    const std::wstring outputFile = TempFile(L"output.txt");
    DWORD code = STILL_ACTIVE;
    {
        CChildProcess tool(L"zarvowatch.exe " + arguments, outputFile);
        EXPECT_TRUE(tool.WaitForExit(10000));
        code = tool.ExitCode();
    }
    if (output != nullptr)
        *output = ReadFile(outputFile);
    DeleteFileW(outputFile.c_str());
    return code;
}

// The first line that contains `text`, or "".
std::string LineWith(const std::string& lines, const std::string& text)
{
    const size_t at = lines.find(text);
    if (at == std::string::npos)
        return std::string();
    const size_t start = lines.rfind('\n', at);
    const size_t begin = start == std::string::npos ? 0 : start + 1;
    return lines.substr(begin, lines.find('\n', at) - begin);
}

TEST(WatchToolOutput, LinesNameTheProcessAndTheFiltersKeepOnlyMatchingWindows)
{
    const struct
    {
        const wchar_t* filter;
        bool reported;
    } cases[] = {
        {L"", true},
        {L"--process HOOK_TARGET_FIXTURE.EXE --class zarvohooktarget", true},
        {L"--process notepad.exe", false},
        {L"--class Edit", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.filter, c.filter + wcslen(c.filter)));
        HookTarget target;
        ASSERT_NE(nullptr, target.Window());
        DWORD processId = 0;
        GetWindowThreadProcessId(target.Window(), &processId);
        const std::wstring outputFile = TempFile(L"watch.txt");
        {
            // The duration ends the tool well after the destruction's line,
            // which is written within milliseconds.
            CChildProcess tool(L"zarvowatch.exe --duration 2 " + std::wstring(c.filter),
                               outputFile);
            ASSERT_TRUE(WaitForText(outputFile, "watching top-level windows", 5000));
            ASSERT_TRUE(target.Run(TargetGetChild));
            ASSERT_TRUE(target.Run(TargetShow));
            ASSERT_TRUE(target.Run(TargetDestroy));
            ASSERT_TRUE(tool.WaitForExit(10000));
        }
        const std::string lines = ReadFile(outputFile);
        DeleteFileW(outputFile.c_str());
        const std::string process =
            "pid=" + std::to_string(processId) + " image=\"hook_target_fixture.exe\"";
        const std::string shown = LineWith(lines, "WindowPosChanged");
        const std::string destroyed = LineWith(lines, "Destroyed");
        EXPECT_EQ(c.reported, !shown.empty()) << lines;
        EXPECT_EQ(c.reported, !destroyed.empty()) << lines;
        if (c.reported) {
            EXPECT_NE(std::string::npos, shown.find("class=\"ZarvoHookTarget\"")) << shown;
            EXPECT_NE(std::string::npos, shown.find(process)) << shown;
            EXPECT_NE(std::string::npos, destroyed.find(process)) << destroyed;
        }
    }
}

TEST(WatchToolOutput, CaptureWritesTheTypeItsExtensionNames)
{
    HookTarget target;
    ASSERT_NE(nullptr, target.Window());
    ASSERT_TRUE(target.Run(TargetShow));
    wchar_t handle[32];
    swprintf(handle, 32, L"0x%llx",
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(target.Window())));
    const struct
    {
        const wchar_t* extension;
        int exitCode;
        const char* signature;  // the file's first bytes; null: no file
    } cases[] = {
        {L".png", WatchExitSuccess, "\x89PNG\r\n\x1a\n"},
        {L".PNG", WatchExitSuccess, "\x89PNG\r\n\x1a\n"},
        {L".bmp", WatchExitSuccess, "BM"},
        {L".gif", WatchExitBadArguments, nullptr},
    };
    for (const auto& c : cases) {
        const std::wstring picture = TempFile(L"capture") + c.extension;
        std::string output;
        EXPECT_EQ(DWORD(c.exitCode),
                  RunTool(L"--capture \"" + picture + L"\" --window " + handle, &output))
            << output;
        const std::string file = ReadFile(picture);
        DeleteFileW(picture.c_str());
        if (c.signature == nullptr) {
            EXPECT_TRUE(file.empty());
            EXPECT_NE(std::string::npos, output.find("--capture writes FILE.bmp or FILE.png"))
                << output;
        } else {
            EXPECT_EQ(0u, file.find(c.signature)) << output;
        }
    }
}

TEST(WatchToolOutput, AnUnknownCommandIsReportedBeforeTheWindowIsLookedUp)
{
    const struct
    {
        const wchar_t* arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {L"--command fly --title \"no window has this title\"", WatchExitUnknownCommand,
         "zarvowatch: unknown command fly"},
        {L"--command close --title \"no window has this title\"", WatchExitNoSuchWindow,
         "zarvowatch: no such window"},
    };
    for (const auto& c : cases) {
        std::string output;
        EXPECT_EQ(DWORD(c.exitCode), RunTool(c.arguments, &output));
        EXPECT_EQ(0u, output.find(c.message)) << output;
    }
}

}  // namespace
