/* The public header must be usable from C. */
#include "zarvowindow1589x64.h"

LONG ZarvoHeaderFromC(HWND window)
{
    LONG(WINAPI * reg)(HWND) = NZarvo_NWindowX64DLL_Register;
    enum ZarvoWindowNotification first = NotifyWindowPosChanged;
    return reg(window) + (LONG)first - NotifyWindowPosChanged;
}
