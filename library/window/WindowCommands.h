#pragma once

// Command objects that close, show, hide, minimise, maximise, redraw, re-order
// or move a window, and the helpers they share. No SetWindowPos is ever sent
// to a window whose application is hung: a hung window's thread would not
// answer, and the caller would hang with it.

#include <windows.h>

#include <cstdint>

#include "library/datatype/string/String.h"
#include "library/window/WindowCommand.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

using NLibrary::NDatatype::NString::IString;

const UINT ShowFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOCOPYBITS;
const UINT HideFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW | SWP_NOCOPYBITS;
const UINT RestoreFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED
                          | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_ASYNCWINDOWPOS;
const UINT TopmostFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_DEFERERASE;
const UINT FullRedrawFlags = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_ALLCHILDREN
                             | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME;

static_assert(ShowFlags == 0x0157, "show flags");
static_assert(HideFlags == 0x0197, "hide flags");
static_assert(RestoreFlags == 0x4275, "restore flags");
static_assert(TopmostFlags == 0x211B, "topmost flags");
static_assert(FullRedrawFlags == 0x0787, "full redraw flags");

// --- helpers -----------------------------------------------------------------

uint32_t SetWindowPosIfValid(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                             UINT flags);
// The hung test comes before the validity test, and a hung window gets no
// further call at all.
uint32_t SetWindowPosIfResponsive(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                                  UINT flags);
BOOL ShowWindowAs(HWND window, int showCommand);
BOOL RedrawWindowFully(HWND window);
BOOL PostWindowMessage(HWND window, UINT message, LPARAM lParam);
// Posts WM_CLOSE to a visible, responsive window whose class name, read by
// the caller, is "SysShadow". The caller has tested the window's validity.
void CloseShadowWindow(const IString& className, HWND window);

// --- commands ----------------------------------------------------------------

// Base of the commands whose only field is their window.
class CSingleWindowCommand : public IWindowCommand
{
public:
    HWND GetTargetWindow() const override { return window; }

protected:
    explicit CSingleWindowCommand(HWND target) : window(target) {}

    HWND window;
};

class CCloseWindowCommand : public CSingleWindowCommand
{
public:
    explicit CCloseWindowCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

// Shows the window without moving, activating or re-ordering it, shows its
// owned popups unless it is minimised, and redraws browser frames that are
// known to paint badly after being shown.
class CShowWindowCommand : public CSingleWindowCommand
{
public:
    explicit CShowWindowCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

// Hides the owned popups first, then the window.
class CHideWindowCommand : public CSingleWindowCommand
{
public:
    explicit CHideWindowCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

class CMinimizeWindowCommand : public CSingleWindowCommand
{
public:
    explicit CMinimizeWindowCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

class CMaximizeWindowCommand : public CSingleWindowCommand
{
public:
    explicit CMaximizeWindowCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

class CShowWindowNoActivateCommand : public CSingleWindowCommand
{
public:
    explicit CShowWindowNoActivateCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

class CShowWindowAsCommand : public IWindowCommand
{
public:
    CShowWindowAsCommand(HWND target, int command) : window(target), showCommand(command) {}
    HWND GetTargetWindow() const override { return window; }
    void Execute() override;

private:
    HWND window;
    int32_t showCommand;
};

class CInvalidateWindowCommand : public CSingleWindowCommand
{
public:
    explicit CInvalidateWindowCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

class CRedrawWindowCommand : public CSingleWindowCommand
{
public:
    explicit CRedrawWindowCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

class CSetTopmostCommand : public CSingleWindowCommand
{
public:
    explicit CSetTopmostCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

class CSetNotTopmostCommand : public CSingleWindowCommand
{
public:
    explicit CSetNotTopmostCommand(HWND target) : CSingleWindowCommand(target) {}
    void Execute() override;
};

// Status: 0 once SetWindowPos succeeded, 1 for a hung or vanished window or a
// refused call (1 also before the first Execute).
class CSetWindowPosCommand : public IWindowCommand
{
public:
    CSetWindowPosCommand(HWND target, HWND insertAfterWindow, int left, int top, int width,
                         int height, UINT positionFlags);
    HWND GetTargetWindow() const override { return window; }
    void Execute() override;
    uint32_t GetStatus() const { return status; }

private:
    HWND window;
    HWND insertAfter;
    int32_t x;
    int32_t y;
    int32_t cx;
    int32_t cy;
    uint32_t flags;
    uint32_t status;
};

// Puts back a saved extended style, top-left corner and layered alpha. The
// alpha is applied only when the window's current layered attributes carry an
// alpha; a colour-key window keeps its transparency. Status: 0 once executed
// on a window that existed (1 before).
class CRestoreWindowStateCommand : public IWindowCommand
{
public:
    CRestoreWindowStateCommand(HWND target, int left, int top, LONG_PTR savedExStyle,
                               BYTE savedAlpha);
    HWND GetTargetWindow() const override { return window; }
    void Execute() override;
    uint32_t GetStatus() const { return status; }

private:
    HWND window;
    int32_t x;
    int32_t y;
    LONG_PTR exStyle;
    BYTE alpha;
    uint32_t status;
};

}}}  // namespace NLibrary::NWin32::NWindow
