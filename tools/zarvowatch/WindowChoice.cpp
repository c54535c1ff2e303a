#include "tools/zarvowatch/WindowChoice.h"

#include <cstdio>

#include "library/window/WindowQueries.h"
#include "tools/zarvowatch/WatchExitCode.h"

int FindChosenWindow(const CWatchOptions& options, HWND* window)
{
    const HWND chosen =
        options.window != nullptr ? options.window : FindWindowW(nullptr, options.title.c_str());
    if (!NLibrary::NWin32::NWindow::IsValidWindow(chosen)) {
        fprintf(stderr, "zarvowatch: no such window\n");
        return WatchExitNoSuchWindow;
    }
    *window = chosen;
    return WatchExitSuccess;
}
