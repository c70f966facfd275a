#include "app/main.h"

#include "runtime/command_line.h"

int Main() {
  if (CommandArgumentCount() >= kLeastArguments) {
    return StartPass() ? kExitStarted : kExitLost;
  }
  ShowUsage();
  return kExitUsage;
}
