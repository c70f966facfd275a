// Windows command line: the raw line in the process's ANSI code page, taken
// once from GetCommandLineW, as a process's command line never changes.
#include <windows.h>

#include <string>

#include "runtime/command_line.h"
#include "runtime/system_win32.h"

namespace {

std::string gCommandLine;

}  // namespace

void StartCommandLine(int /*argc*/, char** /*argv*/) {
  // The same text GetCommandLineA gives, but for its limit: that copy holds
  // at most 65,535 bytes, and a line past it (21,846 characters of three
  // bytes in UTF-8 are) comes back empty.
  gCommandLine = Narrowed(CP_ACP, GetCommandLineW());
}

std::string CommandArgument(int index) {
  return ArgumentOfCommandLine(gCommandLine.c_str(), index);
}

int CommandTokenCount() {
  return TokenCountOfCommandLine(gCommandLine.c_str());
}
