// zarvodrive: applies one window operation to a top-level window of another
// process, so that a script can drive a real window through what the hook
// reports. The window is found by class name, waiting up to ten seconds.
//
//   zarvodrive CLASS find             print "x y right bottom" of the window
//   zarvodrive CLASS move X Y         SetWindowPos, size kept
//   zarvodrive CLASS size W H         SetWindowPos, position kept
//   zarvodrive CLASS show|hide|close  ShowWindow(SW_SHOWNORMAL), ShowWindow(SW_HIDE), WM_CLOSE

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

HWND FindTopLevelWindow(const wchar_t* className)
{
    for (int i = 0; i < 200; ++i) {
        if (HWND hwnd = FindWindowW(className, nullptr))
            return hwnd;
        Sleep(50);
    }
    return nullptr;
}

int Apply(HWND hwnd, const std::wstring& verb, int argc, wchar_t** argv)
{
    const UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    auto number = [argv](int i) { return int(wcstol(argv[i], nullptr, 10)); };
    if (verb == L"find") {
        RECT rect = {};
        GetWindowRect(hwnd, &rect);
        printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
        return 0;
    }
    if (verb == L"move" && argc == 5)
        return SetWindowPos(hwnd, nullptr, number(3), number(4), 0, 0, keep | SWP_NOSIZE) ? 0 : 1;
    if (verb == L"size" && argc == 5)
        return SetWindowPos(hwnd, nullptr, 0, 0, number(3), number(4), keep | SWP_NOMOVE) ? 0 : 1;
    if (verb == L"show")
        return ShowWindowAsync(hwnd, SW_SHOWNORMAL) ? 0 : 1;
    if (verb == L"hide")
        return ShowWindowAsync(hwnd, SW_HIDE) ? 0 : 1;
    if (verb == L"close")
        return PostMessageW(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
    fprintf(stderr, "zarvodrive: unknown operation %ls\n", verb.c_str());
    return 2;
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3) {
        fprintf(stderr, "usage: zarvodrive CLASS find|move X Y|size W H|show|hide|close\n");
        return 2;
    }
    HWND hwnd = FindTopLevelWindow(argv[1]);
    if (hwnd == nullptr) {
        fprintf(stderr, "zarvodrive: no window of class %ls\n", argv[1]);
        return 3;
    }
    return Apply(hwnd, argv[2], argc, argv);
}
