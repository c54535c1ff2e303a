#pragma once

#include <windows.h>

namespace NLibrary { namespace NWin32 { namespace NWindow {

// A change to one window, filled in when built and carried out by Execute.
// Commands never own the window handle.
class IWindowCommand
{
public:
    virtual HWND GetTargetWindow() const = 0;
    virtual void Execute() = 0;
    virtual ~IWindowCommand() = default;
};

}}}  // namespace NLibrary::NWin32::NWindow
