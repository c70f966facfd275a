// Windows process runner: CreateProcessW with the system's own cmd.exe, then
// SleepEx/GetExitCodeProcess.
#include <windows.h>

#include <string>

#include "runtime/process.h"
#include "runtime/system_win32.h"

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

// The interpreter every line is handed to: cmd.exe in the system folder,
// named as the application, so that Windows runs that file and no other.
// Left to find "cmd" itself, CreateProcess would look in Runabout's own folder
// and then in the current one first, where anyone who can write there could
// put a cmd.exe of their own. Empty if the system folder cannot be read.
std::wstring gInterpreter;

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

void StartProcessRunner() { gInterpreter = SystemInterpreter(); }

bool RunAndWait(const std::string& commandLine) {
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof(startup));
  // The record's own size: 68 bytes in a 32-bit build, 104 in a 64-bit one.
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child;
  ZeroMemory(&child, sizeof(child));

  // The line in UTF-16, read in the code page it was converted to
  // (command_line_win32.cpp), as CreateProcessA would read it; that one takes
  // no more than 65,535 bytes. CreateProcessW may write into it, so it is a
  // copy. Without the interpreter or the line nothing is started; the pass
  // goes on as after any start that failed.
  std::wstring line = Widened(CP_ACP, commandLine);
  const bool started =
      !gInterpreter.empty() && !line.empty() &&
      CreateProcessW(gInterpreter.c_str(), line.data(), nullptr, nullptr, FALSE,
                     kCreationFlags, nullptr, nullptr, &startup,
                     &child) != FALSE;

  // Without a child the first reading fails on the null handle, so a start
  // that failed still costs exactly one pause.
  do {
    SleepEx(kPollMilliseconds, TRUE);
  } while (StillRunning(child.hProcess));

  if (started) {
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  // A start that failed is passed over in silence, as it always has been
  // here: the Windows programs report no lost hand-off.
  return true;
}
