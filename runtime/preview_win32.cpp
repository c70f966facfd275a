// Windows side of runabout-check: the line cmd.exe would get, files, folders
// and App Paths as the interpreter and `start` would find them, and a console
// that shows every character.
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/console.h"
#include "runtime/preview.h"
#include "runtime/system_win32.h"

namespace {

constexpr wchar_t kAppPaths[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

DWORD AttributesOf(const std::string& path) {
  return GetFileAttributesW(Widened(CP_ACP, path).c_str());
}

// The default value of `key` under `root`, in the ANSI code page, with its
// environment variables expanded (App Paths values may be REG_EXPAND_SZ) and
// the quotes around it dropped; empty if there is none.
std::string DefaultValue(HKEY root, const std::wstring& key) {
  DWORD size = 0;
  // RRF_RT_REG_SZ takes REG_EXPAND_SZ too, and expands it.
  if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr,
                   &size) != ERROR_SUCCESS ||
      size < sizeof(wchar_t)) {
    return std::string();
  }
  std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                   value.data(), &size) != ERROR_SUCCESS) {
    return std::string();
  }
  std::string text = Narrowed(CP_ACP, value.data());
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  return text;
}

}  // namespace

std::string HandedOver(const std::string& commandLine) { return commandLine; }

bool EnvironmentVariable(const std::string& name, std::string* value) {
  const std::wstring wideName = Widened(CP_ACP, name);
  const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) {
    // Set but empty, or not set at all.
    value->clear();
    return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  }
  std::wstring wide(size, L'\0');
  const DWORD length =
      GetEnvironmentVariableW(wideName.c_str(), wide.data(), size);
  wide.resize(length < size ? length : 0);
  *value = Narrowed(CP_ACP, wide);
  return true;
}

std::string ProgramFileAt(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::string();
  }
  // The name as the folder spells it: PATHEXT's extensions are upper case,
  // most files' are not.
  std::string full = FullPathOf(path);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Widened(CP_ACP, full).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return full;
  }
  FindClose(search);
  return full.substr(0, full.find_last_of("\\/") + 1) +
         Narrowed(CP_ACP, found.cFileName);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string FullPathOf(const std::string& path) {
  const std::wstring wide = Widened(CP_ACP, path);
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) {
    return path;
  }
  std::wstring full(size, L'\0');
  const DWORD length =
      GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) {
    return path;
  }
  full.resize(length);
  return Narrowed(CP_ACP, full);
}

std::string AppPathsProgram(const std::string& name) {
  std::wstring key = kAppPaths + Widened(CP_ACP, name);
  if (name.find('.') == std::string::npos) {
    key += L".exe";
  }
  const std::string user = DefaultValue(HKEY_CURRENT_USER, key);
  return user.empty() ? DefaultValue(HKEY_LOCAL_MACHINE, key) : user;
}

void WriteReportLine(const std::string& line) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(output, &mode) == FALSE) {
    WriteOutput(line + "\r\n");  // A file or a pipe: the bytes as they are.
    return;
  }
  // A console shows its own code page, which is seldom the ANSI one.
  const std::wstring wide = Widened(CP_ACP, line) + L"\r\n";
  DWORD written = 0;
  WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written,
                nullptr);
}

void WaitIfAloneOnConsole() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  DWORD processes[2] = {0, 0};
  // Input from a pipe or a file never waits; and a console with another
  // process on it, a prompt's, stays open when this one ends.
  if (GetConsoleMode(input, &mode) == FALSE ||
      GetConsoleProcessList(processes, 2) != 1) {
    return;
  }
  // The window's title says it too, where the report has scrolled it away.
  SetConsoleTitleW(L"runabout-check: press Enter to close");
  WriteReportLine("Press Enter to close.");
  // Line input: ReadConsoleW returns once Enter has been pressed.
  SetConsoleMode(input, mode | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                            ENABLE_PROCESSED_INPUT);
  std::wstring typed(256, L'\0');
  DWORD read = 0;
  while (ReadConsoleW(input, typed.data(), static_cast<DWORD>(typed.size()),
                      &read, nullptr) != FALSE &&
         read > 0) {
    const wchar_t last = typed.at(read - 1);
    if (last == L'\n' || last == L'\r') {
      break;
    }
  }
}
