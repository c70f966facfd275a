#include "app/main.h"

#include "runtime/command_line.h"

int Main() {
  // Two arguments are the least: one program needs no launcher.
  if (CommandArgumentCount() > 1) {
    return StartPass() ? kExitStarted : kExitLost;
  }
  ShowUsage();
  return kExitUsage;
}
