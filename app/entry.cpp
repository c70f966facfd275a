// Process entry: start-up, one call of Main, and its status as the exit status.
#include <new>

#include "app/main.h"
#include "runtime/command_line.h"
#include "runtime/console.h"
#include "runtime/process.h"

namespace {

// Every allocation that cannot be satisfied lands here, whichever text value
// asked for it, so no call site needs a check of its own.
void OnOutOfMemory() { FatalError(kInsufficientMemory); }

}  // namespace

int main(int argc, char** argv) {
  std::set_new_handler(OnOutOfMemory);
  StartProcessRunner();  // First: StartConsole changes what it notes down.
  StartConsole();
  StartCommandLine(argc, argv);
  return Main();
}
