// The watch tool, run as an application runs it, against a window of a
// second process. The tool's hook state is visible here through the shared
// section of the module that this test program maps as well.

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <sstream>
#include <vector>

#include "tests/common/HookSharedSection.h"
#include "tests/common/Wait.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/tools/ToolTestSupport.h"
#include "tools/zarvowatch/WatchExitCode.h"

namespace {

using NTestSupport::WaitUntil;
using namespace NToolTestSupport;

volatile NTestSupport::CHookSharedValues* Shared()
{
    return NTestSupport::GetHookSharedValues();
}

std::string HandleText(HWND hwnd)
{
    std::ostringstream text;
    text << "\"hwnd\":\"0x" << std::hex << reinterpret_cast<UINT_PTR>(hwnd) << "\"";
    return text.str();
}

TEST(WatchTool, ReportsAWindowOfAnotherProcessAsJsonLinesAndUnregisters)
{
    HookTarget target;
    ASSERT_NE(nullptr, target.Window());
    const std::wstring output = TempFile(L"zarvowatch");
    {
        CChildProcess watch(L"zarvowatch.exe --json --duration 5", output);
        ASSERT_TRUE(WaitUntil([] { return Shared()->SharedHookEnabled == 1; }, 5000))
            << "the tool never enabled the hook";
        EXPECT_TRUE(target.Run(TargetShow));
        EXPECT_TRUE(WaitForText(output, "WindowPosChanged", 5000));
        EXPECT_TRUE(target.Run(TargetSizeMoveMessages));
        EXPECT_TRUE(WaitForText(output, "ExitSizeMove", 5000));
        EXPECT_TRUE(target.Run(TargetDestroy));
        ASSERT_TRUE(watch.WaitForExit(10000));
        EXPECT_EQ(0u, watch.ExitCode());
    }
    EXPECT_EQ(nullptr, Shared()->SharedHookHandle) << "the tool removes its hook when it stops";
    EXPECT_EQ(0, Shared()->SharedHookEnabled);

    const std::string lines = ReadFile(output);
    DeleteFileW(output.c_str());
    const std::string window = HandleText(target.Window());
    const std::string expected[] = {"{\"ms\":",
                                    "\"event\":\"WindowPosChanged\"," + window
                                        + ",\"gone\":false,\"class\":\"ZarvoHookTarget\"",
                                    "\"event\":\"EnterSizeMove\"," + window,
                                    "\"event\":\"Moving\"," + window,
                                    "\"event\":\"ExitSizeMove\"," + window,
                                    "\"event\":\"Destroyed\"," + window,
                                    "\"state\":\"Normal\",\"seq\":"};
    for (const std::string& text : expected)
        EXPECT_NE(std::string::npos, lines.find(text)) << text << "\nin:\n" << lines;
}

// The window model's lines (or the watcher's, with --all-changes): a window
// that exists before the start comes first as Present, every line carries a
// sequence number, strictly increasing, and JSON lines add the newer facts
// after the fields readers already rely on.
TEST(WatchTool, InitialLinesComeFirstAndEveryLineIsNumbered)
{
    for (const wchar_t* arguments :
         {L"--initial --json", L"--initial --json --all-changes", L"--initial --all-changes"}) {
        SCOPED_TRACE(testing::Message() << "zarvowatch " << arguments);
        const bool json = wcsstr(arguments, L"--json") != nullptr;
        HookTarget target;
        ASSERT_NE(nullptr, target.Window());
        const std::wstring output = TempFile(L"zarvowatch-initial");
        {
            CChildProcess watch(L"zarvowatch.exe --duration 4 " + std::wstring(arguments), output);
            ASSERT_TRUE(WaitUntil([] { return Shared()->SharedHookEnabled == 1; }, 5000));
            ASSERT_TRUE(WaitForText(output, "Present", 5000));
            EXPECT_TRUE(target.Run(TargetShow));
            EXPECT_TRUE(target.Run(TargetDestroy));
            ASSERT_TRUE(watch.WaitForExit(10000));
        }
        const std::string lines = ReadFile(output);
        DeleteFileW(output.c_str());
        std::istringstream stream(lines);
        char handle[32];  // as text lines write it
        snprintf(handle, sizeof(handle), "0x%08llx",
                 static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(target.Window())));
        std::string line, window = json ? HandleText(target.Window()) : handle;
        std::vector<std::string> kinds;  // of the target's window, in order
        unsigned long long previous = 0;
        while (std::getline(stream, line)) {
            const size_t at = line.find(json ? "\"seq\":" : " seq=");
            if (at == std::string::npos)
                continue;
            const unsigned long long sequence = std::stoull(line.substr(at + (json ? 6 : 5)));
            EXPECT_LT(previous, sequence) << line;
            previous = sequence;
            if (line.find(window) == std::string::npos)
                continue;
            kinds.push_back(line.substr(0, line.find(window)));
            if (json) {
                EXPECT_NE(std::string::npos,
                          line.find("\"seq\":" + std::to_string(sequence) + ",\"merged\":"))
                    << line;
            }
            if (json && line.find("\"gone\":false") != std::string::npos) {
                EXPECT_LT(line.find("\"state\":"), line.find("\"owner\":")) << line;
            }
        }
        ASSERT_FALSE(kinds.empty()) << lines;
        EXPECT_NE(std::string::npos, kinds.front().find("Present")) << lines;
        EXPECT_NE(std::string::npos, kinds.back().find("Destroyed")) << lines;
    }
}

TEST(WatchTool, FailsWithOneLineWhenTheModuleCannotBeLoaded)
{
    const std::wstring output = TempFile(L"zarvowatch-error");
    CChildProcess watch(L"zarvowatch.exe --dll no-such-module.dll", output);
    ASSERT_TRUE(watch.WaitForExit(10000));
    EXPECT_NE(0u, watch.ExitCode());
    const std::string text = ReadFile(output);
    DeleteFileW(output.c_str());
    EXPECT_EQ(0u, text.find("zarvowatch: cannot load no-such-module.dll")) << text;
    EXPECT_EQ(1, std::count(text.begin(), text.end(), '\n')) << text;
}

TEST(WatchTool, CommandModeAppliesWindowCommandsByTitleAndByHandle)
{
    HookTarget target;
    ASSERT_NE(nullptr, target.Window());
    const HWND window = target.Window();
    const std::wstring byTitle = L" --title \"" + target.Title() + L"\"";
    const std::wstring byHandle = L" --window " + HandleArgument(window);
    // In order: each row runs the tool once on the target, then checks it.
    const struct
    {
        std::wstring arguments;
        int exitCode;
        bool (*holds)(HWND window);  // or, when null, the target process has ended
    } rows[] = {
        {L"show" + byTitle,      WatchExitSuccess,        [](HWND w) { return IsWindowVisible(w) != 0; }},
        {L"minimize" + byHandle, WatchExitSuccess,        [](HWND w) { return IsIconic(w) != 0; }       },
        {L"hide" + byHandle,     WatchExitSuccess,        [](HWND w) { return IsWindowVisible(w) == 0; }},
        {L"fly" + byHandle,      WatchExitUnknownCommand, [](HWND w) { return IsWindow(w) != 0; }       },
        {L"close" + byTitle,     WatchExitSuccess,        nullptr                                       },
        {L"close" + byHandle,    WatchExitNoSuchWindow,   [](HWND w) { return IsWindow(w) == 0; }       },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "zarvowatch --command " << row.arguments);
        std::string output;
        EXPECT_EQ(DWORD(row.exitCode), RunTool(L"--command " + row.arguments, &output)) << output;
        EXPECT_TRUE(row.holds != nullptr ? row.holds(window) : target.WaitForExit(5000));
    }
}

// Without --alpha the picture is opaque: a viewer that honours a 32-bit
// bitmap's alpha byte must not show it transparent.
TEST(WatchTool, CaptureWritesAnOpaqueBitmapFileOfTheWindowsSize)
{
    HookTarget target;
    ASSERT_NE(nullptr, target.Window());
    ASSERT_TRUE(target.Run(TargetShow));
    RECT bounds = {};
    GetWindowRect(target.Window(), &bounds);
    for (const wchar_t* alpha : {L"", L"--alpha whole"}) {
        SCOPED_TRACE(testing::Message() << "zarvowatch --capture " << alpha);
        const std::wstring picture = TempFile(L"zarvowatch-capture.bmp");
        std::string output;
        ASSERT_EQ(0u, RunTool(L"--capture \"" + picture + L"\" " + alpha + L" --window "
                                  + HandleArgument(target.Window()),
                              &output))
            << output;
        const std::string file = ReadFile(picture);
        DeleteFileW(picture.c_str());
        ASSERT_GE(file.size(), 54u);
        const BITMAPFILEHEADER* header = reinterpret_cast<const BITMAPFILEHEADER*>(file.data());
        const BITMAPINFOHEADER* info =
            reinterpret_cast<const BITMAPINFOHEADER*>(file.data() + sizeof(BITMAPFILEHEADER));
        EXPECT_EQ(0x4D42, header->bfType);
        EXPECT_EQ(file.size(), header->bfSize);
        EXPECT_EQ(bounds.right - bounds.left, info->biWidth);
        EXPECT_EQ(bounds.bottom - bounds.top, info->biHeight);
        EXPECT_EQ(32, info->biBitCount);
        ASSERT_EQ(54u + 4u * info->biWidth * info->biHeight, file.size());
        size_t transparent = 0;
        for (size_t at = 54 + 3; at < file.size(); at += 4)
            transparent += file[at] != char(0xFF);
        EXPECT_EQ(0u, transparent) << "pixels whose alpha is not 255";
    }
}

}  // namespace
