// POSIX process runner. There is no `cmd` here, so the runner reads the line
// itself through the interpreter stand-in: each `start /B` becomes a further
// fork that runs on alone, and the command proper goes to `/bin/sh -c`. Each
// stage is a process of its own, as on Windows, and the runner waits only for
// the first one.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <string>
#include <string_view>

#include "runtime/console.h"
#include "runtime/interpreter.h"
#include "runtime/process.h"

namespace {

constexpr long kPollNanoseconds = 10L * 1000 * 1000;

// Exit status of a stage that could not go on, as a shell gives for a
// command it could not run.
constexpr int kStageFailed = 127;

// Exit status of a stage whose fork for the next one failed: the command was
// not handed off. Runabout reads it from the stage it waits for.
constexpr int kStageCouldNotFork = 126;

// The SIGPIPE and SIGCHLD dispositions Runabout was started with.
// StartConsole ignores SIGPIPE for Runabout's own output, and
// StartProcessRunner puts SIGCHLD at its default for the waiting; each stage
// puts these back, so that the programs run as they would have been run
// without Runabout.
struct sigaction gInheritedPipeAction {};
struct sigaction gInheritedChildAction {};

void Pause() {
  const timespec pause = {0, kPollNanoseconds};
  nanosleep(&pause, nullptr);  // An interrupted pause just ends early.
}

// Writes `parts` as one line on standard error, in one write() from a fixed
// buffer, as a forked stage allocates nothing; a line too long for it is cut
// and ends with "..." to say so. Its callers pass strerror's text: Runabout
// never sets a locale, and has one thread, so that is the C locale's fixed
// text, and strerror takes no lock that a fork could have left held. A stage
// that cannot even report has nothing left to do.
void WriteErrorLine(std::initializer_list<std::string_view> parts) {
  constexpr std::string_view kCut = "...";
  std::array<char, 256> line{};
  const std::size_t room = line.size() - 1;  // The newline's byte is kept.
  std::size_t size = 0;
  bool cut = false;
  for (const std::string_view part : parts) {
    const std::size_t taken = part.copy(line.data() + size, room - size);
    size += taken;
    cut = cut || taken < part.size();
  }
  if (cut) {
    size = room - kCut.size();
    size += kCut.copy(line.data() + size, kCut.size());
  }
  size += std::string_view("\n").copy(line.data() + size, 1);
  [[maybe_unused]] const ssize_t written =
      write(STDERR_FILENO, line.data(), size);
}

// A fork that failed, in Runabout or in a stage, as under a process limit:
// `command` is lost, so the user is told which.
void ReportForkFailed(int error, std::string_view command) {
  WriteErrorLine({ProgramName, ": fork: ", strerror(error), ": ", command});
}

// Carries out `stages` in this process, a fresh fork; never returns. It only
// sets signal dispositions, forks, execs and exits (and reports what failed),
// so a stage needs no memory of its own.
[[noreturn]] void RunStages(const InterpreterStages& stages) {
  // An ignored signal stays ignored across exec, so the programs would keep
  // the SIGPIPE that Runabout ignores for its own output; and a caller's
  // ignored SIGCHLD is theirs to have.
  sigaction(SIGPIPE, &gInheritedPipeAction, nullptr);
  sigaction(SIGCHLD, &gInheritedChildAction, nullptr);
  for (int i = 0; i < stages.backgroundStarts; ++i) {
    const pid_t background = fork();
    if (background < 0) {
      ReportForkFailed(errno, stages.shellText);
      _exit(kStageCouldNotFork);
    }
    if (background != 0) {
      _exit(0);
    }
    // Like `start /B` and a non-interactive shell's `&`: a program started in
    // the background is not interrupted by the terminal's Ctrl-C.
    signal(SIGINT, SIG_IGN);
    signal(SIGQUIT, SIG_IGN);
  }
  // "--" ends the shell's options, so that a command beginning with - or +
  // is run as a command, as cmd runs it.
  execl(kShell, "sh", "-c", "--", stages.shellText.c_str(),
        static_cast<char*>(nullptr));
  // As a shell reports a program it could not start.
  WriteErrorLine({kShell, ": ", strerror(errno)});
  _exit(kStageFailed);
}

}  // namespace

void StartProcessRunner() {
  sigaction(SIGPIPE, nullptr, &gInheritedPipeAction);
  // With SIGCHLD ignored, as a caller may leave it, the kernel would reap the
  // stages itself: waitpid would fail with ECHILD, and the status of a stage
  // that could not fork would never be read.
  struct sigaction waiting {};
  waiting.sa_handler = SIG_DFL;
  sigaction(SIGCHLD, &waiting, &gInheritedChildAction);
}

bool RunAndWait(const std::string& commandLine) {
  // Read before anything forks: memory runs out, if it does, here in
  // Runabout, which reports it, and not in a stage.
  const InterpreterStages stages = ReadInterpreterStages(commandLine);
  const pid_t child = fork();
  if (child == 0) {
    RunStages(stages);
  }
  if (child < 0) {
    ReportForkFailed(errno, stages.shellText);
  }
  // A failed fork is passed over after the first pause. A failed reading
  // counts as a child that has ended; an interrupted one is taken again.
  for (;;) {
    Pause();
    if (child < 0) {
      return false;
    }
    int status = 0;
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == 0 || (ended < 0 && errno == EINTR)) {
      continue;
    }
    // A stage that starts the next in the background ends as soon as it has
    // forked; only the one that runs the shell itself ends as the command.
    return !(ended == child && stages.backgroundStarts > 0 &&
             WIFEXITED(status) && WEXITSTATUS(status) == kStageCouldNotFork);
  }
}
