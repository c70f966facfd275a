// Shared helpers of the Windows end-to-end tests.
#include "tests/win32/e2e_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "runtime/system_win32.h"

namespace e2e {

namespace {

constexpr DWORD kRunLimitMilliseconds = 60000;
// Wine now and then fails a start on its own; nothing has run then, so the
// start is simply tried again.
constexpr int kStartAttempts = 3;

// What a planted cmd.exe, an argument recorder, notes its lines in.
constexpr char kPlantedRecord[] = "lines.txt";

// Everything waiting in `pipe` now. The program that wrote has ended, so all
// it wrote is there; reading stops when the pipe is empty and never waits
// for the end of the pipe, which programs it started may still hold open.
std::string ReadAvailable(HANDLE pipe) {
  std::string bytes;
  char buffer[4096];
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) !=
             FALSE &&
         available > 0) {
    DWORD read = 0;
    if (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) == FALSE ||
        read == 0) {
      break;
    }
    bytes.append(buffer, read);
  }
  return bytes;
}

// The whole of the file at `path`; empty if there is none.
std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)),
                     std::istreambuf_iterator<char>());
}

}  // namespace

ScratchDirectory::ScratchDirectory(const std::string& label) {
  static int created = 0;
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, temp);
  const std::string base = std::string(temp, length) + "runabout-" + label +
                           "-" + std::to_string(GetCurrentProcessId()) + "-";
  // A directory left behind by an earlier run of the same process id is
  // passed over, not reused.
  do {
    path_ = base + std::to_string(++created) + "\\";
  } while (CreateDirectoryA(path_.c_str(), nullptr) == FALSE &&
           GetLastError() == ERROR_ALREADY_EXISTS);
}

ScratchDirectory::~ScratchDirectory() { DeleteDirectory(path_); }

std::string ScratchDirectory::Copy(const std::string& source,
                                   const std::string& name) const {
  std::string target = path_ + name;
  if (CopyFileA(source.c_str(), target.c_str(), FALSE) == FALSE) {
    return "";
  }
  return target;
}

void DeleteDirectory(const std::string& directory) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((directory + "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
          DeleteFileA((directory + entry.cFileName).c_str());
        }
      } while (FindNextFileA(search, &entry) != FALSE);
      FindClose(search);
    }
    if (RemoveDirectoryA(directory.c_str()) != FALSE) {
      return;
    }
    Sleep(50);
  }
}

bool ScratchDirectory::CopyHelper(const std::string& name,
                                  const std::string& as) const {
  return !Copy(ProgramDirectory() + name, as.empty() ? name : as).empty();
}

const StandardHandles& NulHandles() {
  // Opened once and kept for the life of this process.
  static const StandardHandles handles = [] {
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    const HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inheritable, OPEN_EXISTING, 0, nullptr);
    return StandardHandles{nul, nul, nul};
  }();
  return handles;
}

Outcome Run(const std::string& application, const std::string& commandLine,
            const std::string& directory, const StandardHandles* handles) {
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  if (handles != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = handles->input;
    startup.hStdOutput = handles->output;
    startup.hStdError = handles->error;
  }
  PROCESS_INFORMATION child;
  ZeroMemory(&child, sizeof(child));
  const std::wstring applicationW = Widened(CP_ACP, application);
  const std::wstring directoryW = Widened(CP_ACP, directory);

  Outcome outcome;
  for (int attempt = 0; attempt < kStartAttempts && !outcome.started;
       ++attempt) {
    // CreateProcessW may write into the line, so each attempt gets it afresh.
    std::wstring line = Widened(CP_ACP, commandLine);
    outcome.started =
        CreateProcessW(applicationW.c_str(), line.data(), nullptr, nullptr,
                       handles != nullptr ? TRUE : FALSE, 0, nullptr,
                       directoryW.c_str(), &startup, &child) != FALSE;
  }
  if (!outcome.started) {
    return outcome;
  }
  outcome.ended = WaitForSingleObject(child.hProcess, kRunLimitMilliseconds) ==
                  WAIT_OBJECT_0;
  if (!outcome.ended) {
    TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, INFINITE);
  }
  GetExitCodeProcess(child.hProcess, &outcome.exitCode);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return outcome;
}

Outcome RunCapturingOutput(const std::string& application,
                           const std::string& commandLine,
                           const std::string& directory, std::string* output) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
  // Large enough for everything the program writes, so it never blocks on a
  // full pipe while this process waits for it to end.
  if (CreatePipe(&reader, &writer, &inheritable, 1 << 20) == FALSE) {
    return Outcome();
  }
  SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
  const StandardHandles handles = {GetStdHandle(STD_INPUT_HANDLE), writer,
                                   GetStdHandle(STD_ERROR_HANDLE)};
  const Outcome outcome = Run(application, commandLine, directory, &handles);
  CloseHandle(writer);
  *output = ReadAvailable(reader);
  CloseHandle(reader);
  return outcome;
}

std::string SystemInterpreter() {
  return Narrowed(CP_ACP, ::SystemInterpreter());
}

void RecordInterpretersIn(const std::string& directory) {
  SetEnvironmentVariableA("RUNABOUT_RECORDS", directory.c_str());
}

std::vector<Record> ReadRecords(const std::string& directory) {
  const std::string text = FileText(directory + "records.txt");
  std::vector<Record> records;
  std::size_t at = 0;
  while (at < text.size()) {
    // "<kind> <length>:<line>\n"
    const std::size_t space = text.find(' ', at);
    const std::size_t colon = text.find(':', at);
    char* end = nullptr;
    const unsigned long length =
        space == std::string::npos
            ? 0
            : std::strtoul(text.c_str() + space + 1, &end, 10);
    const std::size_t lineAt = colon + 1;
    if (space == std::string::npos || colon == std::string::npos ||
        end != text.c_str() + colon || lineAt + length >= text.size() ||
        text[lineAt + length] != '\n') {
      records.push_back({"malformed", text.substr(at)});
      break;
    }
    // The stand-in writes UTF-8, whatever this process's code page is.
    records.push_back(
        {text.substr(at, space - at),
         Narrowed(CP_ACP, Widened(CP_UTF8, text.substr(lineAt, length)))});
    at = lineAt + length + 1;
  }
  return records;
}

std::vector<std::string> ReadLines(const std::string& path) {
  const std::string text = FileText(path);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos;
       end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (start < text.size()) {
    lines.push_back("unterminated: " + text.substr(start));
  }
  return lines;
}

std::string ReadHandleProbe(const std::string& directory) {
  return FileText(directory + "handle-probe.txt");
}

bool HandedOverLines(const std::vector<Record>& records,
                     std::vector<std::string>* lines, std::string* why) {
  lines->clear();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Record& record = records[i];
    const char* expectedKind = i % 2 == 0 ? "begin" : "end";
    if (record.kind != expectedKind) {
      *why = "record " + std::to_string(i) + " is \"" + record.kind +
             "\" where \"" + expectedKind + "\" belongs: [" + record.line + "]";
      return false;
    }
    if (i % 2 == 0) {
      lines->push_back(record.line);
    } else if (record.line != lines->back()) {
      *why = "record " + std::to_string(i) + " ends [" + record.line +
             "] while [" + lines->back() + "] runs";
      return false;
    }
  }
  if (records.size() % 2 != 0) {
    *why = "the last interpreter never ended: [" + lines->back() + "]";
    return false;
  }
  return true;
}

RecordedRun RunWithRecordingCmd(const std::string& program,
                                const std::string& commandLine,
                                const std::string& name) {
  RecordedRun run;
  const ScratchDirectory programFolder("program");
  const ScratchDirectory currentFolder("current");
  const std::string runabout = programFolder.Copy(program, name);
  const char* const recorder = "runabout_argument_recorder.exe";
  if (runabout.empty() || !programFolder.CopyHelper(recorder, "cmd.exe") ||
      !currentFolder.CopyHelper(recorder, "cmd.exe")) {
    run.why = "the programs could not be copied";
    return run;
  }
  RecordInterpretersIn(currentFolder.path());
  run.outcome = RunCapturingOutput(runabout, commandLine, currentFolder.path(),
                                   &run.output);
  run.inOrder =
      HandedOverLines(ReadRecords(currentFolder.path()), &run.lines, &run.why);
  run.probe = ReadHandleProbe(currentFolder.path());
  for (const ScratchDirectory* folder : {&programFolder, &currentFolder}) {
    for (const std::string& line : ReadLines(folder->path() + kPlantedRecord)) {
      run.planted += folder->path() + "cmd.exe ran: " + line + "\n";
    }
  }
  return run;
}

bool IsSubsequence(const std::vector<std::string>& part,
                   const std::vector<std::string>& whole) {
  std::size_t next = 0;
  for (const std::string& element : whole) {
    if (next < part.size() && part[next] == element) {
      ++next;
    }
  }
  return next == part.size();
}

testing::AssertionResult OnlyStartsLost(
    const std::vector<std::string>& got,
    const std::vector<std::string>& expected, int attempt, int attempts) {
  if (got.size() >= expected.size() || !IsSubsequence(got, expected)) {
    return testing::AssertionFailure()
           << "got: " << testing::PrintToString(got)
           << "\nexpected: " << testing::PrintToString(expected);
  }
  if (attempt >= attempts) {
    return testing::AssertionFailure()
           << "starts still lost after " << attempt << " attempts";
  }
  return testing::AssertionSuccess();
}

std::string DirectoryOf(const std::string& path) {
  return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string ProgramDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return DirectoryOf(std::string(path, length));
}

std::string ProgramFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') {
    return "";
  }
  const std::string path = value;
  return path.front() == '/' ? "Z:" + path : path;
}

}  // namespace e2e
