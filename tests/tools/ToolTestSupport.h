#pragma once

// Running the watch tool as a user runs it, and reading what it wrote.

#include <windows.h>

#include <string>

namespace NToolTestSupport {

// A file in the temporary folder whose name holds this process's id.
std::wstring TempFile(const std::wstring& name);
std::string ReadFile(const std::wstring& path);

// Pumps this thread's messages until the file holds `text` or the time is up.
bool WaitForText(const std::wstring& path, const std::string& text, DWORD milliseconds);

// Runs the tool to its end and hands back its exit code and output.
DWORD RunTool(const std::wstring& arguments, std::string* output = nullptr);

// The first line that contains `text`, or "".
std::string LineWith(const std::string& lines, const std::string& text);

// "0x1006a": a window handle as the tool's --window takes it.
std::wstring HandleArgument(HWND hwnd);

}  // namespace NToolTestSupport
