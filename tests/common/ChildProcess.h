#pragma once

// A helper process started by a test (a *_fixture.exe or a tool). It is
// terminated on destruction if it still runs, so that a failing test leaves
// nothing behind that could disturb the next one.

#include <windows.h>

#include <string>

#include "library/synchronization/UniqueHandle.h"

namespace NTestSupport {

class CChildProcess
{
public:
    // With an output handle (inheritable), the process's standard output and
    // error go there.
    explicit CChildProcess(const std::wstring& commandLine, HANDLE output = nullptr);
    // The same with standard output and error written to a new file.
    CChildProcess(const std::wstring& commandLine, const std::wstring& outputFile);
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool IsStarted() const { return process.IsValid(); }
    HANDLE Get() const { return process.Get(); }
    DWORD ProcessId() const { return processId; }
    bool IsRunning() const;
    bool WaitForExit(DWORD milliseconds) const;
    // STILL_ACTIVE while it runs or when it never started.
    DWORD ExitCode() const;

private:
    NLibrary::NSynchronization::CUniqueHandle process;
    DWORD processId = 0;
};

// Runs the command line to its end and collects its standard output and
// error. False when it cannot be started or runs longer than the time given
// (it is then terminated).
bool RunAndCollectOutput(const std::wstring& commandLine, DWORD milliseconds, std::string* output,
                         DWORD* exitCode);

}  // namespace NTestSupport
