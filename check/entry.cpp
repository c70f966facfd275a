// Process entry of runabout-check: Runabout's start-up, the check, and, where
// its console would close with it, a wait for Enter.
#include <new>

#include "check/check.h"
#include "runtime/command_line.h"
#include "runtime/console.h"
#include "runtime/preview.h"

namespace {

void OnOutOfMemory() { FatalError(kInsufficientMemory); }

}  // namespace

int main(int argc, char** argv) {
  std::set_new_handler(OnOutOfMemory);
  StartConsole();
  StartCommandLine(argc, argv);
  const int status = CheckMain();
  WaitIfAloneOnConsole();
  return status;
}
