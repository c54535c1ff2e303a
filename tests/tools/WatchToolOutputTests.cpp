// The watch tool's process fields, filters, picture types and exit codes, run
// as a user runs it against the window of a second process.

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "tests/common/ChildProcess.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/tools/ToolTestSupport.h"
#include "tools/zarvowatch/WatchExitCode.h"

namespace {

using namespace NToolTestSupport;

TEST(WatchToolOutput, LinesNameTheProcessAndTheFiltersKeepOnlyMatchingWindows)
{
    const struct
    {
        const wchar_t* filter;
        bool reported;
    } cases[] = {
        {L"",                                                          true },
        {L"--process HOOK_TARGET_FIXTURE.EXE --class zarvohooktarget", true },
        {L"--process notepad.exe",                                     false},
        {L"--class Edit",                                              false},
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
            // The tool reads a window when it reports it: the window lives
            // until its line is out (or, filtered out, for half a second).
            WaitForText(outputFile, "WindowPosChanged", c.reported ? 5000 : 500);
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
    const std::wstring handle = HandleArgument(target.Window());
    const struct
    {
        const wchar_t* extension;
        int exitCode;
        const char* signature;  // the file's first bytes; null: no file
    } cases[] = {
        {L".png", WatchExitSuccess,      "\x89PNG\r\n\x1a\n"},
        {L".PNG", WatchExitSuccess,      "\x89PNG\r\n\x1a\n"},
        {L".bmp", WatchExitSuccess,      "BM"               },
        {L".gif", WatchExitBadArguments, nullptr            },
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

TEST(WatchToolOutput, CommandAndCaptureModesWriteJsonLinesAndRefuseWhatTheyCannotDo)
{
    HookTarget target;
    ASSERT_NE(nullptr, target.Window());
    const std::wstring window = L" --window " + HandleArgument(target.Window());
    const std::wstring picture = TempFile(L"capture.bmp");
    const struct
    {
        HookTargetCommand before;  // 0: none
        std::wstring arguments;
        int exitCode;
        std::vector<std::string> lines;  // the beginning of each line of the output, in order
    } rows[] = {
        {HookTargetCommand(0),
         L"--capture \"" + picture + L"\"" + window,
         WatchExitCaptureFailed, {"zarvowatch: the window is hidden"}                                      },
        {TargetShow,
         L"--command show --json" + window,
         WatchExitSuccess,       {"{\"step\":\"before\",\"hwnd\":\"0x", "{\"step\":\"show\",\"hwnd\":\"0x"}},
        {HookTargetCommand(0),
         L"--capture \"" + picture + L"\" --json" + window,
         WatchExitSuccess,       {"{\"captured\":\"window\",\"file\":"}                                    },
        {HookTargetCommand(0),
         L"--command show --capture \"" + picture + L"\"" + window,
         WatchExitBadArguments,  {"zarvowatch: --command and --capture are two modes"}                     },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "zarvowatch " << row.arguments);
        if (row.before != 0) {
            ASSERT_TRUE(target.Run(row.before));
        }
        std::string output;
        EXPECT_EQ(DWORD(row.exitCode), RunTool(row.arguments, &output)) << output;
        DeleteFileW(picture.c_str());
        std::istringstream lines(output);
        std::string line;
        for (const std::string& expected : row.lines) {
            std::getline(lines, line);
            EXPECT_EQ(0u, line.find(expected)) << output;
            if (expected[0] == '{') {
                EXPECT_EQ("}", line.substr(line.find_last_not_of("\r"), 1)) << line;
            }
        }
    }
}

// The tool's command and capture modes make no top-level window of their own,
// so a watching tool reports only the windows the user works on.
TEST(WatchToolOutput, TheToolsOwnWindowsAreNotReported)
{
    HookTarget target;
    ASSERT_NE(nullptr, target.Window());
    ASSERT_TRUE(target.Run(TargetShow));
    const std::wstring window = L" --window " + HandleArgument(target.Window());
    const std::wstring watchFile = TempFile(L"watch.txt");
    const std::wstring picture = TempFile(L"capture.bmp");
    {
        NTestSupport::CChildProcess watch(L"zarvowatch.exe --duration 3", watchFile);
        ASSERT_TRUE(WaitForText(watchFile, "watching top-level windows", 5000));
        for (const wchar_t* command : {L"--command activate", L"--command restore"})
            EXPECT_EQ(DWORD(WatchExitSuccess), RunTool(command + window));
        EXPECT_EQ(DWORD(WatchExitSuccess), RunTool(L"--capture \"" + picture + L"\"" + window));
        ASSERT_TRUE(watch.WaitForExit(10000));
    }
    DeleteFileW(picture.c_str());
    const std::string lines = ReadFile(watchFile);
    DeleteFileW(watchFile.c_str());
    EXPECT_EQ("", LineWith(lines, "image=\"zarvowatch.exe\"")) << lines;
    EXPECT_EQ("", LineWith(lines, "gone pid=0")) << lines;
}

TEST(WatchToolOutput, AnUnknownCommandIsReportedBeforeTheWindowIsLookedUp)
{
    const struct
    {
        const wchar_t* arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {L"--command fly --title \"no window has this title\"",   WatchExitUnknownCommand,
         "zarvowatch: unknown command fly"},
        {L"--command close --title \"no window has this title\"", WatchExitNoSuchWindow,
         "zarvowatch: no such window"     },
    };
    for (const auto& c : cases) {
        std::string output;
        EXPECT_EQ(DWORD(c.exitCode), RunTool(c.arguments, &output));
        EXPECT_EQ(0u, output.find(c.message)) << output;
    }
}

}  // namespace
