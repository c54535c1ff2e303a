#include "library/window/ForegroundActivation.h"

#include "library/window/WindowCommands.h"
#include "library/window/WindowQueries.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

namespace {

DWORD ThreadOf(HWND window)
{
    return GetWindowThreadProcessId(window, nullptr);
}

INPUT AltKey(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_MENU;
    input.ki.dwFlags = flags;
    return input;
}

// Places the target and, if it was minimised, restores it without
// activating it.
void PlaceWindow(HWND insertAfter, HWND target)
{
    SetWindowPosIfResponsive(target, insertAfter, 0, 0, 0, 0, PlacementFlags);
    if (GetWindowShowState(target) == Minimized)
        ShowWindow(target, SW_SHOWNOACTIVATE);
}

}  // namespace

BOOL ActivateWithAttachedInput(HWND from, HWND to)
{
    DWORD toThread = ThreadOf(to);
    DWORD fromThread = ThreadOf(from);
    if (!AttachThreadInput(fromThread, toThread, TRUE))
        return FALSE;
    SetActiveWindow(to);
    toThread = ThreadOf(to);
    fromThread = ThreadOf(from);
    return AttachThreadInput(fromThread, toThread, FALSE);
}

namespace NDetail {

const CForegroundPlatform& GetRealForegroundPlatform()
{
    static const CForegroundPlatform platform = {
        &LockSetForegroundWindow,  &GetForegroundWindow, &SetForegroundWindow, &FindWindowW,
        &GetWindowThreadProcessId, &AttachThreadInput,   &SendInput,
    };
    return platform;
}

void ForceForegroundWindow(const CForegroundPlatform& platform, HWND target)
{
    platform.lockSetForegroundWindow(LSFW_UNLOCK);
    HWND foreground = platform.getForegroundWindow();
    if (target == foreground)
        return;
    if (platform.setForegroundWindow(target))
        return;
    if (foreground == nullptr)
        foreground = platform.findWindow(L"Shell_TrayWnd", nullptr);
    const DWORD targetThread = platform.getWindowThreadProcessId(target, nullptr);
    const DWORD foregroundThread = platform.getWindowThreadProcessId(foreground, nullptr);
    if (!platform.attachThreadInput(foregroundThread, targetThread, TRUE))
        return;
    if (!platform.setForegroundWindow(target)) {
        INPUT keys[4] = {
            AltKey(KEYEVENTF_EXTENDEDKEY),
            AltKey(KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP),
            AltKey(KEYEVENTF_EXTENDEDKEY),
            AltKey(KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP),
        };
        platform.sendInput(4, keys, sizeof(INPUT));
        platform.setForegroundWindow(target);
    }
    platform.attachThreadInput(foregroundThread, targetThread, FALSE);
}

}  // namespace NDetail

void ForceForegroundWindow(HWND target)
{
    NDetail::ForceForegroundWindow(NDetail::GetRealForegroundPlatform(), target);
}

BOOL UnlockForegroundWindow()
{
    return LockSetForegroundWindow(LSFW_UNLOCK);
}

uint32_t GetForegroundWindowHandle(HWND* window)
{
    if (window == nullptr)
        return 1;
    const HWND foreground = GetForegroundWindow();
    if (foreground == nullptr)
        return 1;
    *window = foreground;
    return 0;
}

CActivateWindowCommand::CActivateWindowCommand(HWND source, HWND target)
    : sourceWindow(source), targetWindow(target), status(1)
{
}

void CActivateWindowCommand::Execute()
{
    if (!IsValidWindow(targetWindow))
        return;
    ActivateWithAttachedInput(sourceWindow, sourceWindow);
    SetWindowPosIfResponsive(targetWindow, HWND_TOP, 0, 0, 0, 0, RaiseFlags);
    BringWindowToTop(targetWindow);
    ActivateWithAttachedInput(sourceWindow, targetWindow);
    ForceForegroundWindow(targetWindow);
    status = 0;
}

CPlaceWindowAfterCommand::CPlaceWindowAfterCommand(HWND source, HWND insertAfter, HWND target)
    : sourceWindow(source), insertAfterWindow(insertAfter), targetWindow(target)
{
}

void CPlaceWindowAfterCommand::Execute()
{
    ActivateWithAttachedInput(sourceWindow, sourceWindow);
    if (!IsValidWindow(targetWindow) || !IsValidWindow(insertAfterWindow))
        return;
    PlaceWindow(insertAfterWindow, targetWindow);
    ActivateWithAttachedInput(sourceWindow, sourceWindow);
}

CPlaceWindowAtTopCommand::CPlaceWindowAtTopCommand(HWND source, HWND target)
    : sourceWindow(source), targetWindow(target)
{
}

void CPlaceWindowAtTopCommand::Execute()
{
    ActivateWithAttachedInput(sourceWindow, sourceWindow);
    if (!IsValidWindow(targetWindow))
        return;
    PlaceWindow(HWND_TOP, targetWindow);
    ActivateWithAttachedInput(sourceWindow, sourceWindow);
}

}}}  // namespace NLibrary::NWin32::NWindow
