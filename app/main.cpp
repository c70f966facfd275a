#include "app/main.h"

#include "runtime/command_line.h"

int Main() {
  // Two arguments are the least: one program needs no launcher.
  if (CommandArgumentCount() > 1) {
    StartPass();
    return kExitStarted;
  }
  ShowUsage();
  return kExitUsage;
}
