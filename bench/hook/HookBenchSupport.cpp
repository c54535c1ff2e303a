#include "bench/hook/HookBenchSupport.h"

#include "bench/hook/HookBenchProtocol.h"

#include <algorithm>

Summary Summarise(std::vector<double> samples)
{
    if (samples.empty())
        return {0, 0, 0, 0, 0, 0};
    std::sort(samples.begin(), samples.end());
    auto at = [&](double share) { return samples[size_t(share * double(samples.size() - 1))]; };
    return {at(0.5), samples.front(), samples.back(), at(0.9), at(0.99), samples.size()};
}

const char* VariantName(int variant)
{
    static const char* const names[] = {"no hook", "pass-through", "ours disabled", "ours enabled"};
    return names[variant];
}

// Ours through the library's loader, from beside the bench.
Hooks::Hooks(HWND notifyWindow)
    : notifyWindow_(notifyWindow), passThrough_(LoadLibraryW(L"zarvo_passthrough_hook.dll"))
{
    wchar_t path[MAX_PATH] = {};
    if (NLibrary::NWin32::NWindow::NWatcher::GetDefaultHookModulePath(path, MAX_PATH) == 0)
        ours_.Load(path);
    if (passThrough_.IsValid())
        passThroughProc_ =
            reinterpret_cast<HOOKPROC>(GetProcAddress(passThrough_.Get(), "PassThroughHookProc"));
}

Hooks::~Hooks()
{
    Apply(NoHook);
}

bool Hooks::Loaded() const
{
    return ours_.IsLoaded() && passThroughProc_ != nullptr;
}

bool Hooks::Apply(HookVariant variant)
{
    if (passThroughHook_ != nullptr)
        UnhookWindowsHookEx(passThroughHook_);
    passThroughHook_ = nullptr;
    if (ours_.IsLoaded())
        ours_.Unregister();
    switch (variant) {
    case NoHook:
        return true;
    case PassThroughHook:
        passThroughHook_ =
            SetWindowsHookExW(WH_CALLWNDPROCRET, passThroughProc_, passThrough_.Get(), 0);
        return passThroughHook_ != nullptr;
    case OurHookDisabled:
        return ours_.Register(notifyWindow_) == 0;
    case OurHookEnabled:
        return ours_.Register(notifyWindow_) == 0 && ours_.EnableWindowHook() == 0;
    default:
        return false;
    }
}

Worker::Worker(HWND benchWindow) : Worker(benchWindow, L"", 1)
{
}

Worker::Worker(HWND benchWindow, const std::wstring& mode, size_t windows)
{
    std::wstring commandLine =
        L"hook_bench_worker.exe " + std::to_wstring(reinterpret_cast<ULONG_PTR>(benchWindow));
    if (!mode.empty())
        commandLine += L" " + mode;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_)) {
        process_ = PROCESS_INFORMATION();
        return;
    }
    std::vector<std::pair<WPARAM, HWND>> reported;
    PumpUntil(20000 + DWORD(windows) * 100, [&](const MSG& message) {
        if (message.message != BenchWorkerReady)
            return false;
        reported.push_back({message.wParam, reinterpret_cast<HWND>(message.lParam)});
        return reported.size() == windows;
    });
    std::sort(reported.begin(), reported.end());
    if (reported.size() == windows) {
        for (const auto& window : reported)
            windows_.push_back(window.second);
    }
}

Worker::~Worker()
{
    if (process_.hProcess == nullptr)
        return;
    for (HWND window : windows_)
        PostMessageW(window, WorkerQuit, 0, 0);
    if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(process_.hProcess, 1);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}
