#pragma once

#include <windows.h>

namespace NLibrary { namespace NInternet { namespace NFTP {

// Checks that catch, before WinInet sees a request, the arguments it would
// mishandle. A transfer whose local file WinInet cannot open ends inside
// WinInet without a completion, and a remote name it cannot carry reaches
// the server as another name; both are refused up front instead.

// Whether the file can be opened for reading the way WinInet opens the
// source of an upload (no sharing).
bool IsReadableLocalFile(const wchar_t* path);

// Whether the file can be created or overwritten the way WinInet opens the
// target of a download (no sharing). Leaves no new file behind.
bool IsWritableLocalFile(const wchar_t* path);

// Whether the name survives WinInet's conversion to the ANSI code page
// unchanged: no character replaced, none mapped to a look-alike.
bool IsSentIntact(const wchar_t* remoteName);

}}}  // namespace NLibrary::NInternet::NFTP
