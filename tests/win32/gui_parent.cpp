// A parent without a console, as Explorer is when it opens a shortcut or the
// Run dialog's line: a GUI-subsystem program that starts the rest of its own
// command line, with environment variables expanded as Explorer expands them
// in a shortcut's Target, with no creation flags and nothing inherited, waits
// for it and ends with its exit status (255 if it could not be started). Only
// the waiting is the tests' own.
#include <windows.h>

int main() {
  // Windows gives a GUI-subsystem program no console; Wine hands it its
  // starter's, which it lets go of here.
  FreeConsole();

  // The rest of the line behind this program's own name, which the tests
  // write without quotes.
  const char* rest = GetCommandLineA();
  while (*rest != '\0' && *rest != ' ') ++rest;
  while (*rest == ' ') ++rest;
  static char line[32768];
  const DWORD length = ExpandEnvironmentStringsA(rest, line, sizeof(line));
  if (length == 0 || length > sizeof(line)) {
    return 255;
  }

  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child;
  if (CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr,
                     nullptr, &startup, &child) == FALSE) {
    return 255;
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 255;
  GetExitCodeProcess(child.hProcess, &status);
  return static_cast<int>(status);
}
