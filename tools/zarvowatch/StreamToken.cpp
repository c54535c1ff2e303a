#include "tools/zarvowatch/StreamToken.h"

#include <windows.h>

#include <bcrypt.h>
#include <sddl.h>

#include <vector>

#include "library/synchronization/UniqueHandle.h"

namespace {

using NLibrary::NSynchronization::CUniqueHandle;

// "D:P(A;;FA;;;S-1-5-21-...)": full access for this user, nothing for
// anyone else, and nothing inherited from the folder above. Empty on
// failure.
std::wstring OwnerOnlyAccess(const wchar_t* inheritance)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::wstring();
    CUniqueHandle owner(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    wchar_t* sid = nullptr;
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size)
        || !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid))
        return std::wstring();
    const std::wstring descriptor = std::wstring(L"D:P(A;") + inheritance + L";FA;;;" + sid + L")";
    LocalFree(sid);
    return descriptor;
}

// Security attributes that own their descriptor.
class COwnerOnly
{
public:
    explicit COwnerOnly(const wchar_t* inheritance)
    {
        const std::wstring text = OwnerOnlyAccess(inheritance);
        if (!text.empty())
            ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                                 &descriptor, nullptr);
        attributes.nLength = sizeof(attributes);
        attributes.lpSecurityDescriptor = descriptor;
    }
    ~COwnerOnly() { LocalFree(descriptor); }
    COwnerOnly(const COwnerOnly&) = delete;
    COwnerOnly& operator=(const COwnerOnly&) = delete;

    SECURITY_ATTRIBUTES* Get() { return descriptor != nullptr ? &attributes : nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES attributes = {};
};

std::wstring ErrorText(const wchar_t* what, const std::wstring& path)
{
    return std::wstring(what) + L" " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
}

}  // namespace

uint32_t CreateStreamToken(std::string& token)
{
    unsigned char bytes[32];
    if (!BCRYPT_SUCCESS(
            BCryptGenRandom(nullptr, bytes, sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return 1;
    static const char digits[] = "0123456789abcdef";
    token.clear();
    for (unsigned char byte : bytes) {
        token += digits[byte >> 4];
        token += digits[byte & 15];
    }
    SecureZeroMemory(bytes, sizeof(bytes));
    return 0;
}

bool IsSameToken(const std::string& expected, const std::string& presented)
{
    unsigned difference = expected.size() != presented.size() || expected.empty();
    for (size_t i = 0; i < expected.size(); ++i)
        difference |= unsigned(expected[i]) ^ unsigned(i < presented.size() ? presented[i] : 0);
    return difference == 0;
}

std::wstring GetDefaultTokenFile()
{
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return std::wstring(folder) + L"\\zarvowatch\\token";
}

uint32_t WriteTokenFile(const std::wstring& path, const std::string& token, std::wstring& error)
{
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0) {
        const std::wstring folder = path.substr(0, slash);
        COwnerOnly folderAccess(L"OICI");
        if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES
            && !CreateDirectoryW(folder.c_str(), folderAccess.Get())) {
            error = ErrorText(L"cannot make the folder", folder);
            return 1;
        }
    }
    // An existing file would keep its own access list: the token goes into
    // a new one.
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        error = ErrorText(L"cannot replace", path);
        return 1;
    }
    COwnerOnly access(L"");
    if (access.Get() == nullptr) {
        error = ErrorText(L"cannot describe who may read", path);
        return 1;
    }
    CUniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, access.Get(), CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        error = ErrorText(L"cannot create", path);
        return 1;
    }
    const std::string line = token + "\n";
    DWORD written = 0;
    if (!WriteFile(file.Get(), line.data(), DWORD(line.size()), &written, nullptr)
        || written != line.size()) {
        error = ErrorText(L"cannot write", path);
        return 1;
    }
    return 0;
}
