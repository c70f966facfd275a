// POSIX console output (write to descriptor 1), and messages and the fatal
// report on standard error, as there is no message box.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "runtime/console.h"

namespace {

// Writes all `count` bytes, completing partial writes and retrying EINTR; any
// other failure drops the rest. A write that takes nothing, and gives no
// error, would take nothing the next time too, so it fails as well.
void WriteAll(int fd, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t n = write(fd, bytes, count);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return;
    }
    bytes += n;
    count -= static_cast<std::size_t>(n);
  }
}

}  // namespace

void StartConsole() {
  // A reader that has gone away makes writes fail with EPIPE, which is
  // ignored like any failed write, instead of ending the process.
  signal(SIGPIPE, SIG_IGN);
}

void PrintLine(const std::string& text) {
  WriteAll(STDOUT_FILENO, text.data(), text.size());
  WriteAll(STDOUT_FILENO, "\r\n", 2);
}

void WriteOutput(const std::string& bytes) {
  WriteAll(STDOUT_FILENO, bytes.data(), bytes.size());
}

bool ShowMessage(const char* text) {
  WriteAll(STDERR_FILENO, ProgramName, std::strlen(ProgramName));
  WriteAll(STDERR_FILENO, ": ", 2);
  WriteAll(STDERR_FILENO, text, std::strlen(text));
  WriteAll(STDERR_FILENO, "\n", 1);
  return true;
}

void FatalError(int number) {
  // Fixed buffers only: memory may be what ran out.
  ShowMessage(FatalErrorMessage(number));
  _exit(number + 1);
}
