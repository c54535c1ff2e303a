#include "LibraryUse.h"

#include <string>

#include "library/datatype/string/StringBuffer.h"
#include "library/synchronization/Wait.h"
#include "library/window/WindowQueries.h"

namespace NConsumer {

using NLibrary::NDatatype::NString::CConstantString;
using NLibrary::NDatatype::NString::CDynamicHeapStringBuffer;

bool IsWindowOf(HWND window, DWORD processId, const wchar_t* className)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    CDynamicHeapStringBuffer name;
    return owner == processId && NLibrary::NWin32::NWindow::GetWindowClassName(window, name) == 0
           && NLibrary::NDatatype::NString::AreEqual(name, CConstantString(className), 0);
}

boost::shared_ptr<PROCESS_INFORMATION> StartSelf(const wchar_t* arguments)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(path) + L"\" " + arguments;
    STARTUPINFOW startup = {sizeof(startup)};
    boost::shared_ptr<PROCESS_INFORMATION> process(new PROCESS_INFORMATION(),
                                                   [](PROCESS_INFORMATION* p) {
                                                       if (p->hProcess) {
                                                           TerminateProcess(p->hProcess, 0);
                                                           CloseHandle(p->hProcess);
                                                           CloseHandle(p->hThread);
                                                       }
                                                       delete p;
                                                   });
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, process.get()))
        process.reset();
    return process;
}

bool PumpUntil(const bool& done, HANDLE process, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < milliseconds) {
        if (NLibrary::NSynchronization::WaitForObjectOrMessage(&process)
            == NLibrary::NSynchronization::WaitResultSignalled)
            break;
        NLibrary::NSynchronization::PumpMessages();
    }
    return done;
}

}  // namespace NConsumer
