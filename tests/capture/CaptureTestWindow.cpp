#include "tests/capture/CaptureTestWindow.h"

#include "library/capture/GdiOwners.h"
#include "tests/capture/CaptureTestSupport.h"

namespace NCaptureTests {

using NLibrary::NWin32::NCapture::CUniqueGdiObject;

namespace {

struct CWindowState
{
    CWindowColours colours;
    int paints;
};

void FillHalves(HWND window, HDC dc, const CWindowState& state, bool printing)
{
    RECT client;
    GetClientRect(window, &client);
    RECT left = client, right = client;
    left.right = right.left = (client.left + client.right) / 2;
    const CUniqueGdiObject<HBRUSH> first(
        CreateSolidBrush(printing ? state.colours.print : state.colours.screenLeft));
    const CUniqueGdiObject<HBRUSH> second(
        CreateSolidBrush(printing ? state.colours.print : state.colours.screenRight));
    FillRect(dc, &left, first.Get());
    FillRect(dc, &right, second.Get());
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindowState* state = reinterpret_cast<CWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (state != nullptr) {
            FillHalves(window, dc, *state, false);
            ++state->paints;
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (state != nullptr)
            FillHalves(window, reinterpret_cast<HDC>(wParam), *state, true);
        return 0;
    case WM_NCDESTROY:
        delete state;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* RegisterClassOnce(const wchar_t* name)
{
    WNDCLASSW info = {};
    if (!GetClassInfoW(GetModuleHandleW(nullptr), name, &info)) {
        info.lpfnWndProc = WindowProcedure;
        info.hInstance = GetModuleHandleW(nullptr);
        info.lpszClassName = name;
        info.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        RegisterClassW(&info);
    }
    return name;
}

}  // namespace

CCaptureTestWindow::CCaptureTestWindow(const RECT& bounds, const CWindowColours& colours,
                                       DWORD exStyle, const wchar_t* className)
{
    const wchar_t* name =
        RegisterClassOnce(className != nullptr ? className : L"CaptureTestWindow");
    CWindowState* state = new CWindowState {colours, 0};
    window.Reset(CreateWindowExW(exStyle | WS_EX_NOACTIVATE, name, L"capture test", WS_POPUP,
                                 bounds.left, bounds.top, bounds.right - bounds.left,
                                 bounds.bottom - bounds.top, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), state));
    if (!window.IsValid()) {
        delete state;
        return;
    }
    ShowWindow(window.Get(), SW_SHOWNOACTIVATE);
    UpdateWindow(window.Get());
    PumpMessages();
}

CCaptureTestWindow::~CCaptureTestWindow()
{
    window.Reset();
    PumpMessages();
}

void CCaptureTestWindow::SetRegion(const RECT* rects, int count)
{
    CUniqueGdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    for (int i = 0; i < count; ++i) {
        const CUniqueGdiObject<HRGN> part(CreateRectRgnIndirect(&rects[i]));
        CombineRgn(region.Get(), region.Get(), part.Get(), RGN_OR);
    }
    SetWindowRgn(window.Get(), region.Release(), TRUE);  // the window owns the region now
    UpdateWindow(window.Get());
    PumpMessages();
}

int CCaptureTestWindow::GetPaintCount() const
{
    const CWindowState* state =
        reinterpret_cast<const CWindowState*>(GetWindowLongPtrW(window.Get(), GWLP_USERDATA));
    return state != nullptr ? state->paints : -1;
}

}  // namespace NCaptureTests
