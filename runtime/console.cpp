// Platform-free part of the fatal-error report.
#include "runtime/console.h"

const char* FatalErrorMessage(int number) {
  switch (number) {
    case kInsufficientMemory:
      return "Insufficient memory";
    default:
      return "Internal error";
  }
}
