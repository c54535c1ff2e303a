#include "library/internet/ftp/FTPRequestChecks.h"

namespace NLibrary { namespace NInternet { namespace NFTP {

namespace {

bool CanOpen(const wchar_t* path, DWORD access, DWORD disposition)
{
    const HANDLE file =
        CreateFileW(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

}  // namespace

bool IsReadableLocalFile(const wchar_t* path)
{
    return path != nullptr && CanOpen(path, GENERIC_READ, OPEN_EXISTING);
}

bool IsWritableLocalFile(const wchar_t* path)
{
    if (path == nullptr)
        return false;
    const bool existed = GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
    // Unlike WinInet, without truncating: a probe must not change a file
    // that is there.
    if (!CanOpen(path, GENERIC_WRITE, OPEN_ALWAYS))
        return false;
    if (!existed)
        DeleteFileW(path);
    return true;
}

}}}  // namespace NLibrary::NInternet::NFTP
