#include "library/window/MessageWindow.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

NResource::CUniqueWindow CreateMessageWindow(const wchar_t* title)
{
    return NResource::CUniqueWindow(CreateWindowExW(0, L"STATIC", title, WS_CHILD, 0, 0, 0, 0,
                                                    HWND_MESSAGE, nullptr,
                                                    GetModuleHandleW(nullptr), nullptr));
}

}}}  // namespace NLibrary::NWin32::NWindow
