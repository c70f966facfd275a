// The bare hand-off on Windows: each argument goes to the system's command
// interpreter as "cmd /C start /B cmd /C <argument>", one after another, and
// the driver waits for each interpreter with WaitForSingleObject. It is what
// Runabout does, minus Runabout's own reading of the command line and its
// polling. Built with RUNABOUT_WINDOWED it starts them as runaboutw.exe does,
// each in a console without a window of its own. Exit status: the number of
// interpreters that could not be started.
#include <windows.h>

#include <string>

#include "runtime/system_win32.h"

namespace {

#ifdef RUNABOUT_WINDOWED
constexpr DWORD kCreationFlags = NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW;
#else
constexpr DWORD kCreationFlags = NORMAL_PRIORITY_CLASS;
#endif

}  // namespace

int main(int argc, char** argv) {
  const std::wstring interpreter = SystemInterpreter();
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    // Converted as Runabout converts its lines; CreateProcessW may write into
    // the copy.
    std::wstring line =
        Widened(CP_ACP, std::string("cmd /C start /B cmd /C ") + argv[i]);

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child;
    ZeroMemory(&child, sizeof(child));
    if (CreateProcessW(interpreter.c_str(), line.data(), nullptr, nullptr,
                       FALSE, kCreationFlags, nullptr, nullptr, &startup,
                       &child) == FALSE) {
      ++failed;
      continue;
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  return failed;
}
