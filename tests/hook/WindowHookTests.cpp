#include <gtest/gtest.h>

#include "library/resource/UniqueResource.h"
#include "zarvowindow1589x64.h"
#include "tests/common/HookSharedSection.h"
#include "tests/common/ModuleImage.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"

#include <algorithm>

namespace {

using NLibrary::NResource::CUniqueHandle;

HMODULE HookModule()
{
    return GetModuleHandleW(ZARVOWINDOW_MODULE_FILE_NAME);
}

using NTestSupport::CHookSharedValues;

volatile CHookSharedValues* Shared()
{
    return NTestSupport::GetHookSharedValues();
}

// ---------------------------------------------------------------------------
// The module image: what a loader and an application see.

TEST(HookModuleImage, ExportsTheFourFunctionsByNameWithOrdinalsOneToFour)
{
    CModuleImage image(HookModule());
    EXPECT_EQ("zarvowindow1589x64.dll", image.ExportedModuleName());
    std::vector<CModuleImage::Export> exports = image.Exports();
    std::sort(exports.begin(), exports.end(),
              [](const CModuleImage::Export& a, const CModuleImage::Export& b) {
                  return a.ordinal < b.ordinal;
              });
    const char* expected[] = {ZARVOWINDOW_DISABLE_WINDOW_HOOK_EXPORT,
                              ZARVOWINDOW_ENABLE_WINDOW_HOOK_EXPORT, ZARVOWINDOW_REGISTER_EXPORT,
                              ZARVOWINDOW_UNREGISTER_EXPORT};
    ASSERT_EQ(4u, exports.size());
    for (DWORD i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i], exports[i].name);
        EXPECT_EQ(i + 1, exports[i].ordinal);
        EXPECT_EQ(GetProcAddress(HookModule(), MAKEINTRESOURCEA(i + 1)),
                  GetProcAddress(HookModule(), expected[i]));
    }
}

TEST(HookModuleImage, SharedSectionIsInitialisedReadWriteShared)
{
    CModuleImage image(HookModule());
    const IMAGE_SECTION_HEADER* section = image.FindSection(".ZARVOWI");
    ASSERT_NE(nullptr, section);
    EXPECT_EQ(0xD0000040u, section->Characteristics);
    EXPECT_GE(section->Misc.VirtualSize, sizeof(CHookSharedValues));
    EXPECT_GE(section->SizeOfRawData, sizeof(CHookSharedValues))
        << "the values must be initialised data";
}

TEST(HookModuleImage, OnlyResourceIsTheManifestWithIdTwo)
{
    std::vector<CModuleImage::Resource> resources = CModuleImage(HookModule()).Resources();
    ASSERT_EQ(1u, resources.size());
    EXPECT_EQ(ULONG_PTR(24), resources[0].type);  // RT_MANIFEST
    EXPECT_EQ(ULONG_PTR(2), resources[0].id);
    EXPECT_NE(std::string::npos, resources[0].data.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, resources[0].data.find("uiAccess=\"true\""));
}

TEST(HookModuleImage, ImportsNoRuntimeLibraryDlls)
{
    for (std::string name : CModuleImage(HookModule()).ImportedModules()) {
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        EXPECT_TRUE(name == "user32.dll" || name == "kernel32.dll" || name == "msvcrt.dll") << name;
    }
}

// ---------------------------------------------------------------------------
// The exported functions' results and the shared values behind them.

class HookState : public testing::Test
{
protected:
    void TearDown() override { NZarvo_NWindowX64DLL_Unregister(); }
    NotificationWindow notifications_;
};

TEST_F(HookState, RegisterInstallsDisabledAndStoresTheWindow)
{
    ASSERT_EQ(0, NZarvo_NWindowX64DLL_Register(notifications_.Handle()));
    volatile CHookSharedValues* shared = Shared();
    ASSERT_NE(nullptr, shared);
    EXPECT_NE(nullptr, shared->SharedHookHandle);
    EXPECT_EQ(notifications_.Handle(), shared->SharedNotifyWindow);
    EXPECT_EQ(0, shared->SharedHookEnabled);
}

TEST_F(HookState, EnableAndDisableReturnThePreviousFlag)
{
    ASSERT_EQ(0, NZarvo_NWindowX64DLL_Register(notifications_.Handle()));
    EXPECT_EQ(0, NZarvo_NWindowX64DLL_EnableWindowHook());
    EXPECT_EQ(1, NZarvo_NWindowX64DLL_EnableWindowHook());
    EXPECT_EQ(1, Shared()->SharedHookEnabled);
    EXPECT_EQ(1, NZarvo_NWindowX64DLL_DisableWindowHook());
    EXPECT_EQ(0, NZarvo_NWindowX64DLL_DisableWindowHook());
    EXPECT_NE(nullptr, Shared()->SharedHookHandle) << "disabling keeps the hook installed";
}

TEST_F(HookState, UnregisterWithoutHookReturnsThePreviousFlag)
{
    NZarvo_NWindowX64DLL_Unregister();
    EXPECT_EQ(0, NZarvo_NWindowX64DLL_Unregister());
    NZarvo_NWindowX64DLL_EnableWindowHook();
    EXPECT_EQ(1, NZarvo_NWindowX64DLL_Unregister());
    EXPECT_EQ(0, Shared()->SharedHookEnabled);
}

TEST_F(HookState, UnregisterRemovesTheHookAndKeepsTheWindow)
{
    ASSERT_EQ(0, NZarvo_NWindowX64DLL_Register(notifications_.Handle()));
    NZarvo_NWindowX64DLL_EnableWindowHook();
    EXPECT_NE(0, NZarvo_NWindowX64DLL_Unregister());
    EXPECT_EQ(nullptr, Shared()->SharedHookHandle);
    EXPECT_EQ(0, Shared()->SharedHookEnabled);
    EXPECT_EQ(notifications_.Handle(), Shared()->SharedNotifyWindow);
}

TEST_F(HookState, SecondRegisterRemovesTheFirstHookAndClearsTheFlag)
{
    ASSERT_EQ(0, NZarvo_NWindowX64DLL_Register(notifications_.Handle()));
    HHOOK first = Shared()->SharedHookHandle;
    NZarvo_NWindowX64DLL_EnableWindowHook();
    NotificationWindow newer;
    ASSERT_EQ(0, NZarvo_NWindowX64DLL_Register(newer.Handle()));
    EXPECT_EQ(0, Shared()->SharedHookEnabled);
    EXPECT_EQ(newer.Handle(), Shared()->SharedNotifyWindow);
    EXPECT_FALSE(UnhookWindowsHookEx(first)) << "the first hook is already gone";
}

TEST_F(HookState, RegisterAcceptsNullAndStaleWindows)
{
    EXPECT_EQ(0, NZarvo_NWindowX64DLL_Register(nullptr));
    EXPECT_NE(nullptr, Shared()->SharedHookHandle);
    HWND stale = notifications_.Handle();
    notifications_.Destroy();
    EXPECT_EQ(0, NZarvo_NWindowX64DLL_Register(stale));
    EXPECT_EQ(stale, Shared()->SharedNotifyWindow);
}

// ---------------------------------------------------------------------------
// Notifications about the windows of a second process.

enum Role
{
    Target,
    Child
};

struct Expected
{
    UINT message;
    Role window;
};

class HookNotifications : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, target_.Window());
        ASSERT_NE(nullptr, target_.Child());
        ASSERT_EQ(0, NZarvo_NWindowX64DLL_Register(notifications_.Handle()));
        NZarvo_NWindowX64DLL_EnableWindowHook();
    }
    void TearDown() override { NZarvo_NWindowX64DLL_Unregister(); }

    std::vector<Notification> Run(UINT command, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        EXPECT_TRUE(target_.Run(command, wParam, lParam)) << "the target did not answer";
        return Arrived();
    }
    std::vector<Notification> Arrived()
    {
        return notifications_.Collect({target_.Window(), target_.Child()});
    }
    std::vector<Notification> Resolve(std::initializer_list<Expected> expected) const
    {
        std::vector<Notification> result;
        for (const Expected& e : expected)
            result.push_back({e.message, e.window == Target ? target_.Window() : target_.Child()});
        return result;
    }

    HookTarget target_;
    NotificationWindow notifications_;
};

struct CSequenceStep
{
    const char* what;
    UINT command;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<Expected> expected;
};

TEST_F(HookNotifications, WindowLifeArrivesAsTheExpectedSequence)
{
    const CSequenceStep steps[] = {
        {"show",                        TargetShow,                    0,   0,   {{NotifyWindowPosChanged, Target}}},
        {"move",                        TargetMove,                    150, 160, {{NotifyWindowPosChanged, Target}}},
        {"size",                        TargetSize,                    320, 240, {{NotifyWindowPosChanged, Target}}},
        {"z-order only",                TargetZOrderOnly,              0,   0,   {}                                },
        {"move child",                  TargetMoveChild,               0,   0,   {}                                },
        {"size/move loop",
         TargetSizeMoveMessages,                                       0,
         0,                                                                      {{NotifyEnterSizeMove, Target},
          {NotifyWindowMoving, Target},
          {NotifyExitSizeMove, Target}}                                                                 },
        {"hide",                        TargetHide,                    0,   0,   {{NotifyWindowPosChanged, Target}}},
        {"show without move or size",
         TargetShowWithoutMoveOrSize,                                  0,
         0,                                                                      {{NotifyWindowPosChanged, Target}}},
        {"record names another window",
         TargetPosChangedForChild,                                     0,
         0,                                                                      {{NotifyWindowPosChanged, Child}} },
        {"record missing",              TargetPosChangedWithoutRecord, 0,   0,   {}                                },
    };
    for (const CSequenceStep& step : steps) {
        std::vector<Notification> expected;
        for (const Expected& e : step.expected)
            expected.push_back(Resolve({e})[0]);
        EXPECT_EQ(Describe(expected), Describe(Run(step.command, step.wParam, step.lParam)))
            << step.what;
    }
}

TEST_F(HookNotifications, DestroyIsTheLastNotification)
{
    Run(TargetShow);
    std::vector<Notification> arrived = Run(TargetDestroy);
    ASSERT_FALSE(arrived.empty());
    EXPECT_EQ(Describe(Resolve({
                  {NotifyWindowDestroyed, Target}
    })),
              Describe({arrived.back()}));
    EXPECT_EQ(
        1, std::count_if(arrived.begin(), arrived.end(),
                         [](const Notification& n) { return n.message == NotifyWindowDestroyed; }))
        << "the child's destruction is not reported";
    EXPECT_TRUE(target_.WaitForExit(5000));
}

TEST_F(HookNotifications, PositionChangeWithoutRecordLeavesTheProcessRunning)
{
    EXPECT_TRUE(Run(TargetPosChangedWithoutRecord).empty());
    EXPECT_TRUE(target_.IsRunning());
    LRESULT faults = -1;
    EXPECT_TRUE(target_.Run(TargetGetFaultCount, 0, 0, &faults));
    EXPECT_EQ(0, faults) << "the hook must not touch a missing WINDOWPOS";
    EXPECT_EQ(Describe(Resolve({
                  {NotifyWindowPosChanged, Target}
    })),
              Describe(Run(TargetMove, 30, 40)));
}

TEST_F(HookNotifications, NothingArrivesWhileDisabled)
{
    NZarvo_NWindowX64DLL_DisableWindowHook();
    EXPECT_TRUE(Run(TargetShow).empty());
    EXPECT_TRUE(Run(TargetSizeMoveMessages).empty());
    NZarvo_NWindowX64DLL_EnableWindowHook();
    EXPECT_EQ(Describe(Resolve({
                  {NotifyWindowPosChanged, Target}
    })),
              Describe(Run(TargetMove, 50, 60)));
}

TEST_F(HookNotifications, RegisterAloneLeavesNotificationsOff)
{
    ASSERT_EQ(0, NZarvo_NWindowX64DLL_Register(notifications_.Handle()));
    EXPECT_TRUE(Run(TargetShow).empty());
    EXPECT_TRUE(Run(TargetMove, 70, 80).empty());
}

TEST_F(HookNotifications, NewerRegistrationReceivesTheNotifications)
{
    NotificationWindow newer;
    ASSERT_EQ(0, NZarvo_NWindowX64DLL_Register(newer.Handle()));
    NZarvo_NWindowX64DLL_EnableWindowHook();
    Run(TargetShow);
    EXPECT_TRUE(Arrived().empty());
    EXPECT_EQ(Describe(Resolve({
                  {NotifyWindowPosChanged, Target}
    })),
              Describe(newer.Collect({target_.Window(), target_.Child()})));
}

// Two applications registering at the same moment must not leave a hook that
// no Unregister can reach: each would report every change once more.
TEST_F(HookNotifications, RacingRegistrationsLeaveExactlyOneHook)
{
    const std::wstring prefix = L"zarvo hook race " + std::to_wstring(GetCurrentProcessId());
    const CUniqueHandle ready(CreateSemaphoreW(nullptr, 0, 2, (prefix + L".ready").c_str()));
    const CUniqueHandle done(CreateSemaphoreW(nullptr, 0, 2, (prefix + L".done").c_str()));
    const CUniqueHandle go(CreateEventW(nullptr, TRUE, FALSE, (prefix + L".go").c_str()));
    const CUniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, (prefix + L".stop").c_str()));
    const std::wstring racer = L"hook_racer_fixture.exe \"" + prefix + L"\"";
    CChildProcess first(racer), second(racer);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.Get(), 10000)) << "racer did not start";

    SetEvent(go.Get());
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(target_.Run(TargetMove, 100 + (i % 2) * 50, 100))
            << "the target stopped answering";
    SetEvent(stop.Get());
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done.Get(), 10000)) << "racer did not finish";

    // The racers stay alive, so a hook either of them leaked would still run.
    ASSERT_EQ(0, NZarvo_NWindowX64DLL_Register(notifications_.Handle()));
    NZarvo_NWindowX64DLL_EnableWindowHook();
    Arrived();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Describe(Resolve({
                      {NotifyWindowPosChanged, Target}
        })),
                  Describe(Run(TargetMove, 200 + i * 10, 120)))
            << "move " << i;
}

TEST_F(HookNotifications, NotificationWindowNeverReportsOnItself)
{
    HWND self = notifications_.Handle();
    SetWindowPos(self, nullptr, 20, 20, 50, 50, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SendMessageW(self, WM_ENTERSIZEMOVE, 0, 0);
    EXPECT_TRUE(notifications_.Collect({self}).empty());
}

TEST_F(HookNotifications, TargetsKeepWorkingAfterTheNotificationWindowIsGone)
{
    notifications_.Destroy();
    EXPECT_TRUE(target_.Run(TargetShow));
    EXPECT_TRUE(target_.Run(TargetSizeMoveMessages));
    EXPECT_TRUE(target_.Run(TargetDestroy));
    EXPECT_TRUE(target_.WaitForExit(5000));
}

}  // namespace
