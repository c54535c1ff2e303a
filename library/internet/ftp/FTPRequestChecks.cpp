#include "library/internet/ftp/FTPRequestChecks.h"

#include "library/synchronization/UniqueHandle.h"

namespace NLibrary { namespace NInternet { namespace NFTP {

namespace {

bool CanOpen(const wchar_t* path, DWORD access, DWORD disposition)
{
    const NSynchronization::CUniqueHandle file(
        CreateFileW(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
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

bool IsSentIntact(const wchar_t* remoteName)
{
    if (remoteName == nullptr)
        return false;
    // A UTF-8 code page carries every well-formed name and may not be asked
    // whether it replaced anything; only ill-formed text (a lone surrogate)
    // is refused.
    if (GetACP() == CP_UTF8)
        return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, remoteName, -1, nullptr, 0,
                                   nullptr, nullptr)
               > 0;
    BOOL replaced = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, remoteName, -1, nullptr, 0,
                                           nullptr, &replaced);
    return length > 0 && !replaced;
}

}}}  // namespace NLibrary::NInternet::NFTP
