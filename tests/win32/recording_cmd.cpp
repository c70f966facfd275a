// A stand-in for the command interpreter, built as cmd.exe for the Windows
// end-to-end tests. It runs nothing: it appends its exact raw command line to
// records.txt in its own directory once as it begins ("begin") and once just
// before it ends ("end"), so a test sees which lines were handed over, in
// which order, and that each interpreter ended before the next one began.
// Markers in the line steer it: "sleep-ms:N" waits N ms before ending, and
// "exit-code:N" ends with status N.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// records.txt beside this program, wherever a test copied it.
std::string RecordPath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  directory.erase(directory.find_last_of('\\') + 1);
  return directory + "records.txt";
}

// Appends "<kind> <length>:<line>\n". The length lets any byte stand in the
// line; one write in append mode keeps records of interpreters that run at
// once from interleaving.
void Append(const char* kind, const std::string& line) {
  const std::string record =
      std::string(kind) + " " + std::to_string(line.size()) + ":" + line + "\n";
  const HANDLE file =
      CreateFileA(RecordPath().c_str(), FILE_APPEND_DATA,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;  // The test then finds the record missing.
  }
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written,
            nullptr);
  CloseHandle(file);
}

// The number right behind `marker` in `line`, or `fallback` without one.
DWORD MarkerValue(const std::string& line, const char* marker, DWORD fallback) {
  const std::size_t at = line.find(marker);
  if (at == std::string::npos) {
    return fallback;
  }
  const char* digits = line.c_str() + at + std::strlen(marker);
  return static_cast<DWORD>(std::strtoul(digits, nullptr, 10));
}

}  // namespace

int main() {
  const std::string line = GetCommandLineA();
  Append("begin", line);
  Sleep(MarkerValue(line, "sleep-ms:", 0));
  const DWORD status = MarkerValue(line, "exit-code:", 0);
  Append("end", line);
  return static_cast<int>(status);
}
