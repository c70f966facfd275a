// A stand-in cmd.exe for the Unicode tests: it appends its own command line,
// in UTF-8 and ended by a line feed, to unicode_record.txt beside itself, and
// ends with status 0. It reads the line in UTF-16, so what it records does
// not depend on any code page of its own: a character that the starter lost
// to its code page arrives here already replaced.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kRecordName[] = L"unicode_record.txt";

std::string Utf8(const wchar_t* text) {
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return std::string();
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr,
                      nullptr);
  bytes.pop_back();  // The NUL.
  return bytes;
}

std::wstring RecordPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(),
                                            static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1) + kRecordName;
}

}  // namespace

int main() {
  const std::string record = Utf8(GetCommandLineW()) + "\n";
  const HANDLE file = CreateFileW(RecordPath().c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 1;
  }
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, record.data(), static_cast<DWORD>(record.size()),
                &written, nullptr);
  CloseHandle(file);
  return ok != FALSE && written == record.size() ? 0 : 1;
}
