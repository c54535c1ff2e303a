// Windows of a second process for the event stream's tests, driven line by
// line on standard input (a thread reads, the window thread carries out):
//
//   stream_window_fixture.exe CLASS COUNT
//     prints "ready HWND..." once COUNT visible windows of class CLASS exist
//   move I X Y    moves window I, prints "moved"
//   churn MS N    moves windows 0..N-1 in turn, as fast as it can, for MS
//                 milliseconds; prints "churned" and the moves of each
//   close I       destroys window I, prints "closed"
//   (end of input ends the process)

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const UINT CommandMessage = WM_APP + 1;
const UINT InputEndedMessage = WM_APP + 2;
std::vector<HWND> Windows;

DWORD WINAPI ReadCommands(void* mainThread)
{
    const DWORD thread = DWORD(reinterpret_cast<UINT_PTR>(mainThread));
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string line;
    char c = 0;
    DWORD read = 0;
    while (ReadFile(input, &c, 1, &read, nullptr) && read == 1) {
        if (c == '\r')
            continue;
        if (c != '\n') {
            line += c;
            continue;
        }
        PostThreadMessageW(thread, CommandMessage, 0,
                           reinterpret_cast<LPARAM>(new std::string(line)));
        line.clear();
    }
    PostThreadMessageW(thread, InputEndedMessage, 0, 0);
    return 0;
}

void Move(HWND window, int x, int y)
{
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Run(const std::string& line)
{
    char verb[16] = {};
    int a = 0, b = 0, c = 0;
    sscanf(line.c_str(), "%15s %d %d %d", verb, &a, &b, &c);
    const std::string command = verb;
    if (command == "move" && a >= 0 && a < int(Windows.size())) {
        Move(Windows[a], b, c);
        printf("moved\n");
    } else if (command == "churn") {
        const int count = b < int(Windows.size()) ? b : int(Windows.size());
        std::vector<unsigned> moves(count, 0);
        const ULONGLONG end = GetTickCount64() + ULONGLONG(a);
        for (unsigned step = 0; count > 0 && GetTickCount64() < end; ++step) {
            const int i = int(step % count);
            Move(Windows[i], 60 + i * 30 + int(step % 97), 60 + int(step % 89));
            ++moves[i];
        }
        printf("churned");
        for (unsigned n : moves)
            printf(" %u", n);
        printf("\n");
    } else if (command == "close" && a >= 0 && a < int(Windows.size())) {
        DestroyWindow(Windows[a]);
        printf("closed\n");
    } else {
        printf("unknown %s\n", line.c_str());
    }
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    wchar_t className[128] = {};
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, className, 127);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    printf("ready");
    for (int i = 0; i < atoi(argv[2]); ++i) {
        const std::wstring title = std::wstring(className) + L" " + std::to_wstring(i);
        HWND window =
            CreateWindowExW(0, className, title.c_str(), WS_OVERLAPPEDWINDOW, 60 + i * 30, 60, 200,
                            120, nullptr, nullptr, windowClass.hInstance, nullptr);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        Windows.push_back(window);
        printf(" 0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    }
    printf("\n");
    fflush(stdout);
    // The thread's queue exists before the reader posts to it.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    CloseHandle(CreateThread(nullptr, 0, ReadCommands,
                             reinterpret_cast<void*>(UINT_PTR(GetCurrentThreadId())), 0, nullptr));
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == InputEndedMessage)
            break;
        if (message.hwnd == nullptr && message.message == CommandMessage) {
            std::string* line = reinterpret_cast<std::string*>(message.lParam);
            Run(*line);
            delete line;
            continue;
        }
        DispatchMessageW(&message);
    }
    return 0;
}
