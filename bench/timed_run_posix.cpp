// POSIX runs: fork, execv and wait4, timed with the monotonic clock; peak
// memory from the resource usage wait4 reports for the ended child.
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <iterator>

#include "bench/timed_run.h"

namespace {

constexpr int kExecFailed = 127;

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) +
         static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs the program to its end; false when it could not be started. The clock
// runs from just before the fork to just after the wait.
bool Run(const std::string& program, const std::vector<std::string>& arguments,
         double* seconds, int* status, rusage* usage) {
  // execv takes writable words, so it gets copies of its own.
  std::vector<std::string> words = {program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  std::transform(words.begin(), words.end(), std::back_inserter(argv),
                 [](std::string& word) { return word.data(); });
  argv.push_back(nullptr);

  const double begin = Now();
  const pid_t child = fork();
  if (child < 0) {
    return false;
  }
  if (child == 0) {
    execv(program.c_str(), argv.data());
    _exit(kExecFailed);
  }
  while (wait4(child, status, 0, usage) < 0) {
    if (errno != EINTR) {
      return false;
    }
  }
  *seconds = Now() - begin;
  return !(WIFEXITED(*status) && WEXITSTATUS(*status) == kExecFailed);
}

}  // namespace

const char* const kPeakMemoryLabel =
    "max RSS (ru_maxrss from wait4) of the process and of the children it "
    "waited for";

RunCost TimedRun(const std::string& program,
                 const std::vector<std::string>& arguments) {
  RunCost cost;
  int status = 0;
  rusage usage{};
  if (!Run(program, arguments, &cost.seconds, &status, &usage)) {
    cost.seconds = 0;
    return cost;
  }
  cost.started = true;
  cost.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return cost;
}

double PeakMemoryRun(const std::string& program,
                     const std::vector<std::string>& arguments) {
  double seconds = 0;
  int status = 0;
  rusage usage{};
  if (!Run(program, arguments, &seconds, &status, &usage)) {
    return -1;
  }
#ifdef __APPLE__
  const double unit = 1.0;  // macOS reports ru_maxrss in bytes,
#else
  const double unit = 1024.0;  // Linux and the BSDs in KiB.
#endif
  // glibc declares ru_maxrss as a member of an anonymous union.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access)
  return static_cast<double>(usage.ru_maxrss) * unit / (1024.0 * 1024.0);
}
