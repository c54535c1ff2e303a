#include "tools/zarvowatch/WatchFilter.h"

#include <cwchar>

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

bool Matches(const std::wstring& wanted, const wchar_t* actual)
{
    return wanted.empty() || _wcsicmp(wanted.c_str(), actual) == 0;
}

}  // namespace

CWatchFilter::CWatchFilter(const std::wstring& process, const std::wstring& className)
    : process(process), className(className)
{
}

bool CWatchFilter::Accept(const NWatcher::CWindowModelEvent& event,
                          NWatcher::CWindowSnapshot& window)
{
    window = event.snapshot;
    auto remembered = known.find(event.window);
    if (!window.gone) {
        known[event.window] = window;
    } else if (remembered != known.end()) {
        window.processId = remembered->second.processId;
        wcscpy(window.imageName, remembered->second.imageName);
        wcscpy(window.className, remembered->second.className);
    }
    // A handle can be reused by a new window once this one is destroyed.
    if ((event.kind == NWatcher::WindowEventDestroyed || event.kind == NWatcher::WindowEventGone)
        && remembered != known.end())
        known.erase(event.window);
    return Matches(process, window.imageName) && Matches(className, window.className);
}
