// A program that notes down what it was started with, for the Windows tests
// that start programs through Runabout. Beside itself it appends, in UTF-8:
// - to lines.txt, its raw command line and a line feed;
// - to consoles.txt, its own file name and its console's window handle, 0
//   when that console has no window (or it has no console): "calc.exe 0";
// - to args.txt, its own file name and each argument its C runtime made of
//   that line, in brackets: "notepad.exe [C:\Notes\todo.txt]".
// Both are read in UTF-16, so what they hold does not depend on any code
// page of its own: a character that the starter lost to its code page
// arrives here already replaced. Each record is one write in append mode, so
// records of copies that run at once do not interleave. The tests copy it
// under the names of the programs a command line names (calc.exe, app.exe)
// and as a stand-in cmd.exe.
// With a file wait-for.txt beside it, naming another file, it writes to
// args.txt only once that file exists, so it is still running when the
// program that writes that file starts; if the file is not there within
// 20 seconds, its record ends with " (ran alone)". A test that reads the
// records waits longer than that for them.
#include <windows.h>

#include <string>

#include "runtime/system_win32.h"

namespace {

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(),
                                            static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The file that wait-for.txt in `directory` names, in UTF-8; empty if there
// is no wait-for.txt.
std::wstring AwaitedFile(const std::wstring& directory) {
  const HANDLE file =
      CreateFileW((directory + L"wait-for.txt").c_str(), GENERIC_READ,
                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return L"";
  }
  char text[4096];
  DWORD read = 0;
  const BOOL ok = ReadFile(file, text, sizeof(text), &read, nullptr);
  CloseHandle(file);
  return ok != FALSE ? Widened(CP_UTF8, std::string(text, read)) : L"";
}

// Whether `path` exists within 20 seconds, asking every 50 ms.
bool Appears(const std::wstring& path) {
  for (int waited = 0; waited < 20000; waited += 50) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      return true;
    }
    Sleep(50);
  }
  return false;
}

bool Append(const std::wstring& path, const std::string& record) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, record.data(), static_cast<DWORD>(record.size()),
                &written, nullptr);
  CloseHandle(file);
  return ok != FALSE && written == record.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring path = OwnPath();
  const std::size_t slash = path.find_last_of(L"\\/") + 1;
  const std::wstring directory = path.substr(0, slash);

  std::string arguments = Narrowed(CP_UTF8, path.substr(slash));
  for (int i = 1; i < argc; ++i) {
    arguments += " [" + Narrowed(CP_UTF8, argv[i]) + "]";
  }
  const bool lineKept = Append(directory + L"lines.txt",
                               Narrowed(CP_UTF8, GetCommandLineW()) + "\n");
  const bool consoleKept =
      Append(directory + L"consoles.txt",
             Narrowed(CP_UTF8, path.substr(slash)) + " " +
                 std::to_string(HandleToULong(GetConsoleWindow())) + "\n");
  const std::wstring awaited = AwaitedFile(directory);
  if (!awaited.empty() && !Appears(awaited)) {
    arguments += " (ran alone)";
  }
  // Last, so that a test that finds this record finds the others too.
  const bool argumentsKept = Append(directory + L"args.txt", arguments + "\n");
  return lineKept && argumentsKept && consoleKept ? 0 : 1;
}
