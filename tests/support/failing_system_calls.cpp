// fork() and write() for a test build of the real program, linked with
// --wrap=fork and --wrap=write, that fail on demand:
// - RUNABOUT_FAIL_FORK: one fork fails with EAGAIN, as under a process
//   limit. "runabout" fails Runabout's own first fork; "stage", the fork
//   that the first command's stage makes to start its background stage.
// - RUNABOUT_STDOUT_TAKES_NOTHING: every write() to standard output returns
//   0, having written nothing, as a write() that makes no progress may.
// - RUNABOUT_STDOUT_TAKES_A_FEW: every write() to standard output writes at
//   most kFewBytes of what it is given, as a pipe or a terminal may take part
//   of a write.
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
