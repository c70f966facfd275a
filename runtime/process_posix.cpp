// POSIX process runner. There is no `cmd` here, so the forked child reads the
// line itself through the interpreter stand-in: `start /B` becomes a further
// fork that runs on alone, and the command proper goes to `/bin/sh -c`. Each
// stage is a process of its own, as on Windows, and the runner waits only for
// the first one.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>

#include "runtime/interpreter.h"
#include "runtime/process.h"

namespace {

constexpr long kPollNanoseconds = 10L * 1000 * 1000;

// Exit status of a stage that could not go on; it is never printed, as a
// forked stage reports only through its status.
constexpr int kStageFailed = 127;

void Pause() {
  const timespec pause = {0, kPollNanoseconds};
  nanosleep(&pause, nullptr);  // An interrupted pause just ends early.
}

// Carries out `line` in this process, which is a fresh fork; never returns.
[[noreturn]] void RunInterpreterLine(const std::string& line) {
  const InterpreterStep step = ReadInterpreterLine(line);
  if (step.action == InterpreterStep::Action::kBackground) {
    const pid_t background = fork();
    if (background == 0) {
      // Like `start /B` and a non-interactive shell's `&`: a program started
      // in the background is not interrupted by the terminal's Ctrl-C.
      signal(SIGINT, SIG_IGN);
      signal(SIGQUIT, SIG_IGN);
      RunInterpreterLine(step.text);
    }
    _exit(background < 0 ? kStageFailed : 0);
  }
  execl("/bin/sh", "sh", "-c", step.text.c_str(), static_cast<char*>(nullptr));
  _exit(kStageFailed);
}

}  // namespace

void RunAndWait(const std::string& commandLine) {
  const pid_t child = fork();
  if (child == 0) {
    // Runabout ignores SIGPIPE for its own output; the programs it starts get
    // the default back, as ignored signals survive exec.
    signal(SIGPIPE, SIG_DFL);
    RunInterpreterLine(commandLine);
  }
  // A failed fork is passed over after the first pause. A failed reading
  // counts as a child that has ended; an interrupted one is taken again.
  for (;;) {
    Pause();
    if (child < 0) {
      return;
    }
    int status = 0;
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == 0 || (ended < 0 && errno == EINTR)) {
      continue;
    }
    return;
  }
}
