// A stand-in for the command interpreter, built as cmd.exe for the Windows
// end-to-end tests. It runs nothing: it appends its exact raw command line to
// records.txt in its own directory once as it begins ("begin") and once just
// before it ends ("end"), so a test sees which lines were handed over, in
// which order, and that each interpreter ended before the next one began.
// Markers in the line steer it: "sleep-ms:N" waits N ms before ending,
// "exit-code:N" ends with status N, and "probe-handle:N" makes it write to
// handle-probe.txt beside it whether handle value N is, in this process, a
// file that begins with that same marker: "inherited" or "not inherited".
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kProbeMarker[] = "probe-handle:";

// This program's directory, wherever a test copied it, with its backslash.
std::string OwnDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  directory.erase(directory.find_last_of('\\') + 1);
  return directory;
}

// Appends "<kind> <length>:<line>\n". The length lets any byte stand in the
// line; one write in append mode keeps records of interpreters that run at
// once from interleaving.
void Append(const char* kind, const std::string& line) {
  const std::string record =
      std::string(kind) + " " + std::to_string(line.size()) + ":" + line + "\n";
  const HANDLE file =
      CreateFileA((OwnDirectory() + "records.txt").c_str(), FILE_APPEND_DATA,
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

// Whether `handle` is a disk file whose bytes are exactly `marker`. Nothing
// else is read, as a console or a pipe that happens to have that value could
// keep a read waiting.
bool HoldsMarker(HANDLE handle, const std::string& marker) {
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    return false;
  }
  char bytes[64];
  DWORD read = 0;
  OVERLAPPED fromStart;  // Offset 0, wherever the shared file pointer is.
  ZeroMemory(&fromStart, sizeof(fromStart));
  return ReadFile(handle, bytes, sizeof(bytes), &read, &fromStart) != FALSE &&
         std::string(bytes, read) == marker;
}

// Obeys "probe-handle:N" if the line holds it. The file's bytes must match
// the marker, so a handle of this process's own that has the same value by
// chance does not count as the inherited one.
void ProbeHandle(const std::string& line) {
  const std::size_t at = line.find(kProbeMarker);
  if (at == std::string::npos) {
    return;
  }
  const std::size_t end =
      line.find_first_not_of("0123456789", at + std::strlen(kProbeMarker));
  const std::string marker = line.substr(at, end - at);
  const HANDLE probed = ULongToHandle(MarkerValue(line, kProbeMarker, 0));
  const std::string verdict =
      HoldsMarker(probed, marker) ? "inherited" : "not inherited";
  const HANDLE file =
      CreateFileA((OwnDirectory() + "handle-probe.txt").c_str(), GENERIC_WRITE,
                  0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;  // The test then finds no verdict.
  }
  DWORD written = 0;
  WriteFile(file, verdict.data(), static_cast<DWORD>(verdict.size()), &written,
            nullptr);
  CloseHandle(file);
}

}  // namespace

int main() {
  const std::string line = GetCommandLineA();
  Append("begin", line);
  ProbeHandle(line);
  Sleep(MarkerValue(line, "sleep-ms:", 0));
  const DWORD status = MarkerValue(line, "exit-code:", 0);
  Append("end", line);
  return static_cast<int>(status);
}
