// fork(), write() and execl() for a test build of the real program, linked
// with --wrap=fork, --wrap=write and --wrap=execl, that fail or report on
// demand:
// - RUNABOUT_FAIL_FORK: one fork fails with EAGAIN, as under a process
//   limit. "runabout" fails Runabout's own first fork; "stage", the fork
//   that the first command's stage makes to start its background stage.
// - RUNABOUT_STDOUT_TAKES_NOTHING: every write() to standard output returns
//   0, having written nothing, as a write() that makes no progress may.
// - RUNABOUT_STDOUT_TAKES_A_FEW: every write() to standard output writes at
//   most kFewBytes of what it is given, as a pipe or a terminal may take part
//   of a write.
// - RUNABOUT_SHELL_RECORDS: each text handed to the shell is appended to the
//   file this names, as "N LENGTH:TEXT\n", N counting Runabout's commands
//   from 1: the stages that exec the shell run in the background, in no
//   order of their own.
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The names --wrap gives the real calls and their replacements.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" pid_t __real_fork();
extern "C" ssize_t __real_write(int fd, const void* bytes, size_t count);

namespace {

// Runabout's own process, and the forks it has made; a stage keeps the count
// of the fork that made it.
pid_t gRunabout = 0;
int gRunaboutForks = 0;

constexpr size_t kFewBytes = 3;

}  // namespace

extern "C" pid_t __wrap_fork() {
  if (gRunabout == 0) {
    gRunabout = getpid();  // Runabout forks first; its stages only later.
  }
  const bool byRunabout = getpid() == gRunabout;
  if (byRunabout) {
    ++gRunaboutForks;
  }
  const char* failing = std::getenv("RUNABOUT_FAIL_FORK");
  if (failing != nullptr && gRunaboutForks == 1 &&
      std::strcmp(failing, byRunabout ? "runabout" : "stage") == 0) {
    errno = EAGAIN;
    return -1;
  }
  return __real_fork();
}

extern "C" ssize_t __wrap_write(int fd, const void* bytes, size_t count) {
  if (fd == STDOUT_FILENO &&
      std::getenv("RUNABOUT_STDOUT_TAKES_NOTHING") != nullptr) {
    return 0;
  }
  if (fd == STDOUT_FILENO && count > kFewBytes &&
      std::getenv("RUNABOUT_STDOUT_TAKES_A_FEW") != nullptr) {
    count = kFewBytes;
  }
  return __real_write(fd, bytes, count);
}
// Runabout runs the shell as execl(shell, "sh", "-c", "--", text, nullptr).
extern "C" int __wrap_execl(const char* path, const char* arg, ...) {
  // execv takes the words as char*, as execl's caller wrote them.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast)
  std::vector<char*> argv = {const_cast<char*>(arg)};
  va_list rest;
  va_start(rest, arg);
  while (argv.back() != nullptr) {
    argv.push_back(va_arg(rest, char*));
  }
  va_end(rest);
  const char* records = std::getenv("RUNABOUT_SHELL_RECORDS");
  if (records != nullptr && argv.size() >= 2) {
    const std::string text = argv[argv.size() - 2];
    const std::string record = std::to_string(gRunaboutForks) + " " +
                               std::to_string(text.size()) + ":" + text + "\n";
    const int file = open(records, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (file >= 0) {
      __real_write(file, record.data(), record.size());
      close(file);
    }
  }
  return execv(path, argv.data());
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
