// POSIX command line: there is no raw line, and no joined line could give back
// every shell word, so each argument is argv[i] exactly as delivered.
#include "runtime/command_line.h"

namespace {

int gArgumentCount = 0;
char** gArguments = nullptr;

}  // namespace

void StartCommandLine(int argc, char** argv) {
  gArgumentCount = argc;
  gArguments = argv;
}

std::string CommandArgument(int index) {
  if (index < 0 || index >= gArgumentCount || gArguments[index] == nullptr) {
    return std::string();
  }
  return std::string(gArguments[index]);
}

int CommandTokenCount() { return gArgumentCount; }
