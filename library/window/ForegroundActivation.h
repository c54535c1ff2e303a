#pragma once

// Bringing a window to the foreground against the platform's foreground lock,
// activating a window through a briefly attached input queue, and the three
// commands built on them. Every input attachment made here is undone before
// the function that made it returns.

#include <windows.h>

#include <cstdint>

#include "library/window/WindowCommand.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

const UINT RaiseFlags = SWP_NOSIZE | SWP_NOMOVE;
const UINT PlacementFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOCOPYBITS | SWP_DEFERERASE;

static_assert(RaiseFlags == 0x0003, "raise flags");
static_assert(PlacementFlags == 0x210B, "placement flags");

// 0 when the input of the two windows' threads cannot be attached (as for two
// windows of one thread); otherwise the result of detaching them again.
BOOL ActivateWithAttachedInput(HWND from, HWND to);
// Lifts the foreground lock, then tries SetForegroundWindow plainly, then with
// the foreground thread's input attached, then once more after two Alt key
// presses.
void ForceForegroundWindow(HWND target);
BOOL UnlockForegroundWindow();
uint32_t GetForegroundWindowHandle(HWND* window);

class CActivateWindowCommand : public IWindowCommand
{
public:
    CActivateWindowCommand(HWND source, HWND target);
    HWND GetTargetWindow() const override { return targetWindow; }
    // Status: 0 once executed on a window that existed (1 before).
    void Execute() override;
    uint32_t GetStatus() const { return status; }

private:
    HWND sourceWindow;
    HWND targetWindow;
    uint32_t status;
};

// Places the target directly below the insert-after window, restoring it
// without activation when it is minimised.
class CPlaceWindowAfterCommand : public IWindowCommand
{
public:
    CPlaceWindowAfterCommand(HWND source, HWND insertAfter, HWND target);
    HWND GetTargetWindow() const override { return targetWindow; }
    void Execute() override;

private:
    HWND sourceWindow;
    HWND insertAfterWindow;
    HWND targetWindow;
};

class CPlaceWindowAtTopCommand : public IWindowCommand
{
public:
    CPlaceWindowAtTopCommand(HWND source, HWND target);
    HWND GetTargetWindow() const override { return targetWindow; }
    void Execute() override;

private:
    HWND sourceWindow;
    HWND targetWindow;
};

namespace NDetail {

// The platform calls of ForceForegroundWindow, so that its refusal branches,
// which a test cannot make the platform take, can be driven through it.
struct CForegroundPlatform
{
    BOOL(WINAPI* lockSetForegroundWindow)(UINT lockCode);
    HWND(WINAPI* getForegroundWindow)();
    BOOL(WINAPI* setForegroundWindow)(HWND window);
    HWND(WINAPI* findWindow)(LPCWSTR className, LPCWSTR windowName);
    DWORD(WINAPI* getWindowThreadProcessId)(HWND window, LPDWORD processId);
    BOOL(WINAPI* attachThreadInput)(DWORD attach, DWORD attachTo, BOOL doAttach);
    UINT(WINAPI* sendInput)(UINT count, LPINPUT inputs, int size);
};

const CForegroundPlatform& GetRealForegroundPlatform();
void ForceForegroundWindow(const CForegroundPlatform& platform, HWND target);

}  // namespace NDetail

}}}  // namespace NLibrary::NWin32::NWindow
