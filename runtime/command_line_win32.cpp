// Windows command line: the raw line from GetCommandLineA, read afresh on
// every call and never changed.
#include <windows.h>

#include "runtime/command_line.h"

void StartCommandLine(int /*argc*/, char** /*argv*/) {}

std::string CommandArgument(int index) {
  return ArgumentOfCommandLine(GetCommandLineA(), index);
}
