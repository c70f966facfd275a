// A stand-in for the command interpreter for the Windows end-to-end tests,
// copied over the system's cmd.exe in a Wine prefix of their own. It runs
// nothing: it appends its exact raw command line, in UTF-8, to records.txt in
// the folder that RUNABOUT_RECORDS names, once as it begins ("begin") and once
// just before it ends ("end"), so a test sees which lines were handed over,
// in which order, and that each interpreter ended before the next one began.
// Without the variable it records nothing. Markers in the line steer it:
// "sleep-ms:N" waits N ms before ending, "exit-code:N" ends with status N, and
// "probe-handle:N" makes it write to handle-probe.txt in that folder whether
// handle value N is, in this process, a file that begins with that same
// marker: "inherited" or "not inherited".
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/system_win32.h"

namespace {

constexpr char kProbeMarker[] = "probe-handle:";

// The folder the records go to, with its backslash; empty without one.
std::wstring RecordsFolder() {
  wchar_t folder[MAX_PATH];
  const DWORD length =
      GetEnvironmentVariableW(L"RUNABOUT_RECORDS", folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return std::wstring();
  }
  std::wstring path(folder, length);
  if (path.back() != L'\\') {
    path += L'\\';
  }
  return path;
}

// Writes `bytes` in one write to the file `name` in the records folder, at
// its end (`access` FILE_APPEND_DATA, `disposition` OPEN_ALWAYS) or in its
// place (GENERIC_WRITE, CREATE_ALWAYS). A file that cannot be opened is
// passed over: the test then finds what it should hold missing.
void WriteRecord(const wchar_t* name, const std::string& bytes, DWORD access,
                 DWORD disposition) {
  const std::wstring folder = RecordsFolder();
  if (folder.empty()) {
    return;
  }
  const HANDLE file =
      CreateFileW((folder + name).c_str(), access,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
            nullptr);
  CloseHandle(file);
}

// Appends "<kind> <length>:<line>\n". The length lets any byte stand in the
// line; one write in append mode keeps records of interpreters that run at
// once from interleaving.
void Append(const char* kind, const std::string& line) {
  WriteRecord(
      L"records.txt",
      std::string(kind) + " " + std::to_string(line.size()) + ":" + line + "\n",
      FILE_APPEND_DATA, OPEN_ALWAYS);
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
  WriteRecord(L"handle-probe.txt",
              HoldsMarker(probed, marker) ? "inherited" : "not inherited",
              GENERIC_WRITE, CREATE_ALWAYS);
}

}  // namespace

int main() {
  const std::string line = Narrowed(CP_UTF8, GetCommandLineW());
  Append("begin", line);
  ProbeHandle(line);
  Sleep(MarkerValue(line, "sleep-ms:", 0));
  const DWORD status = MarkerValue(line, "exit-code:", 0);
  Append("end", line);
  return static_cast<int>(status);
}
