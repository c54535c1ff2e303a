#include "tests/common/ChildProcess.h"

namespace NTestSupport {

using NLibrary::NSynchronization::CUniqueHandle;

CChildProcess::CChildProcess(const std::wstring& commandLine, HANDLE output)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    const bool redirected = output != nullptr && output != INVALID_HANDLE_VALUE;
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    // CreateProcessW may write into the command line.
    std::wstring mutableLine = commandLine;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, redirected, 0, nullptr, nullptr,
                        &startup, &info))
        return;
    // Only the process is waited on: its first thread's handle goes at once.
    const NLibrary::NResource::CUniqueThreadHandle primaryThread(info.hThread);
    process.Reset(info.hProcess);
    processId = info.dwProcessId;
}

namespace {

CUniqueHandle CreateInheritableFile(const std::wstring& path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    return CUniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

CChildProcess::CChildProcess(const std::wstring& commandLine, const std::wstring& outputFile)
    : CChildProcess(commandLine, CreateInheritableFile(outputFile).Get())
{
}

CChildProcess::~CChildProcess()
{
    if (IsRunning()) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 5000);
    }
}

bool CChildProcess::IsRunning() const
{
    return IsStarted() && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

bool CChildProcess::WaitForExit(DWORD milliseconds) const
{
    return IsStarted() && WaitForSingleObject(process.Get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD CChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (IsStarted())
        GetExitCodeProcess(process.Get(), &code);
    return code;
}

bool RunAndCollectOutput(const std::wstring& commandLine, DWORD milliseconds, std::string* output,
                         DWORD* exitCode)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readHandle = nullptr;
    HANDLE writeHandle = nullptr;
    if (!CreatePipe(&readHandle, &writeHandle, &inherit, 0))
        return false;
    const CUniqueHandle readEnd(readHandle);
    CUniqueHandle writeEnd(writeHandle);
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

    const CChildProcess child(commandLine, writeEnd.Get());
    // Only the child may hold the write end now, so that the reads below end
    // when it does.
    writeEnd.Reset();
    if (!child.IsStarted())
        return false;
    output->clear();
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(readEnd.Get(), chunk, sizeof(chunk), &got, nullptr) && got != 0)
        output->append(chunk, got);
    const bool finished = child.WaitForExit(milliseconds);
    *exitCode = child.ExitCode();
    return finished;
}

}  // namespace NTestSupport
