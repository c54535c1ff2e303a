#pragma once

// The secret a client of the event stream presents: made anew each time the
// server starts and written to a file that only the user who runs it can
// read, so that only that user's programs (and an administrator) can
// connect.

#include <cstdint>
#include <string>

// 32 bytes from the system's random number generator as 64 hexadecimal
// digits. 0 on success, 1 on failure.
uint32_t CreateStreamToken(std::string& token);

// True when both are equal; takes as long whatever the first difference.
bool IsSameToken(const std::string& expected, const std::string& presented);

// "%LOCALAPPDATA%\zarvowatch\token"; empty when there is no such folder.
std::wstring GetDefaultTokenFile();

// Replaces the file with one that holds the token and a line break, and
// whose access list (not inherited) lets this user alone read or change it;
// a missing folder is made the same way. 0 on success, 1 with the error in
// `error`.
uint32_t WriteTokenFile(const std::wstring& path, const std::string& token, std::wstring& error);
