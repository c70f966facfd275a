// Windows process runner: CreateProcessA, then SleepEx/GetExitCodeProcess.
#include <windows.h>

#include <vector>

#include "runtime/process.h"

namespace {

constexpr DWORD kPollMilliseconds = 10;

// runabout.exe's interpreters share its console. runaboutw.exe has none, and
// without this flag Windows would open a console window for each of them;
// with it the first interpreter gets a console that has no window, which the
// second one and every console program they start then share.
#ifdef RUNABOUT_WINDOWED
constexpr DWORD kCreationFlags = NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW;
#else
constexpr DWORD kCreationFlags = NORMAL_PRIORITY_CLASS;
#endif

// GetExitCodeProcess reports STILL_ACTIVE both for a running child and for one
// that ended with status 259; only the handle's state tells them apart, so a
// child exiting with 259 cannot keep the runner waiting for ever.
bool StillRunning(HANDLE process) {
  DWORD exitCode = 0;
  if (GetExitCodeProcess(process, &exitCode) == FALSE) {
    return false;  // A failed reading counts as a child that has ended.
  }
  return exitCode == STILL_ACTIVE &&
         WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

}  // namespace

void StartProcessRunner() {}

void RunAndWait(const std::string& commandLine) {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof(startup));
  // The record's own size: 68 bytes in a 32-bit build, 104 in a 64-bit one.
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child;
  ZeroMemory(&child, sizeof(child));

  // CreateProcessA may write into the command line, so it gets its own copy.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');

  const BOOL started =
      CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                     kCreationFlags, nullptr, nullptr, &startup, &child);

  // Without a child the first reading fails on the null handle, so a start
  // that failed still costs exactly one pause.
  do {
    SleepEx(kPollMilliseconds, TRUE);
  } while (StillRunning(child.hProcess));

  if (started != FALSE) {
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
}
