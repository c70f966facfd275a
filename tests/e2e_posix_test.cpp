// The real program end to end on POSIX: run in a temporary directory with
// real commands, checked by the files they leave, the exact bytes on standard
// output and the exact exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/check_report.h"
#include "tests/expected_banner.h"

namespace {

using std::chrono::steady_clock;

// Bounded waits: a hang becomes a failure, but nothing is timed.
constexpr std::chrono::seconds kPatience(60);
constexpr std::chrono::milliseconds kPoll(20);

enum class Stdout { kFile, kClosed, kFull, kBrokenPipe };

struct Result {
  bool ended = false;  // Within kPatience.
  int status = -1;     // Exit status, or -signal if killed by one.
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

template <typename Condition>
bool WaitFor(Condition done) {
  const auto deadline = steady_clock::now() + kPatience;
  while (!done()) {
    if (steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

class PosixEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
#ifdef __linux__
    // Programs whose starter has ended come to this process, which reaps
    // them, instead of waiting on however often the system's init reaps.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
  }

  void SetUp() override {
    char pattern[] = "/tmp/runabout-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }

  void TearDown() override {
    // Every process the run left behind is in its group; end any straggler.
    if (group_ > 0) kill(-group_, SIGKILL);
    std::error_code error;
    std::filesystem::remove_all(dir_, error);
    EXPECT_FALSE(error) << error.message();
  }

  [[nodiscard]] std::string Path(const std::string& name) const {
    return dir_ + "/" + name;
  }

  // Runs `program` with `args` in the temporary directory, in a process group
  // of its own so that everything it starts can be waited for; `env` holds
  // variables (name, value) set for it on top of this process's. While it
  // runs, `watch` is called with its process id every time it is looked at.
  // A signal `ignored` (not 0) is ignored when it starts, as a parent may
  // leave it.
  Result Run(const std::string& program, const std::vector<std::string>& args,
             Stdout out = Stdout::kFile,
             const std::vector<std::pair<std::string, std::string>>& env = {},
             const std::function<void(pid_t)>& watch = nullptr,
             int ignored = 0) {
    int pipeFds[2] = {-1, -1};
    if (out == Stdout::kBrokenPipe) {
      EXPECT_EQ(pipe(pipeFds), 0);
      close(pipeFds[0]);  // The reader has gone before anything is written.
    }
    const pid_t child = fork();
    if (child == 0) {
      setpgid(0, 0);
      if (chdir(dir_.c_str()) != 0) _exit(120);
      const int devNull = open("/dev/null", O_RDONLY);
      dup2(devNull, STDIN_FILENO);
      const int errFd = open("stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(errFd, STDERR_FILENO);
      switch (out) {
        case Stdout::kFile:
          dup2(open("stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644),
               STDOUT_FILENO);
          break;
        case Stdout::kClosed:
          close(STDOUT_FILENO);
          break;
        case Stdout::kFull:
          dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO);
          break;
        case Stdout::kBrokenPipe:
          dup2(pipeFds[1], STDOUT_FILENO);
          break;
      }
      for (const auto& [name, value] : env) {
        setenv(name.c_str(), value.c_str(), 1);
      }
      if (ignored != 0) signal(ignored, SIG_IGN);
      // execv takes its words as char*; these copies may be handed over.
      std::vector<std::string> words = {program};
      words.insert(words.end(), args.begin(), args.end());
      std::vector<char*> argv;
      argv.reserve(words.size() + 1);
      for (std::string& word : words) {
        argv.push_back(word.data());
      }
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(121);
    }
    if (pipeFds[1] >= 0) close(pipeFds[1]);
    group_ = child;
    setpgid(child,
            child);  // Also here, so the group exists whoever runs first.

    Result result;
    int status = 0;
    result.ended = WaitFor([&] {
      if (watch) watch(child);
      return waitpid(child, &status, WNOHANG) == child;
    });
    if (!result.ended) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    result.out = ReadFile(Path("stdout"));
    result.err = ReadFile(Path("stderr"));
    return result;
  }

  Result Runabout(const std::vector<std::string>& args,
                  Stdout out = Stdout::kFile) {
    return Run(RUNABOUT_PATH, args, out);
  }

  // Waits until every program the last run started has ended.
  [[nodiscard]] bool WaitForStartedPrograms() const {
    return WaitFor([&] {
      while (waitpid(-1, nullptr, WNOHANG) > 0) {
      }
      return kill(-group_, 0) != 0 && errno == ESRCH;
    });
  }

  std::string dir_;
  pid_t group_ = -1;
};

TEST_F(PosixEndToEnd, StartsEveryCommandThroughTheShell) {
  const Result r = Runabout(
      {"touch a", "touch \"b c\"", "\"touch", "d\"", "echo $((6 * 7)) > e"});
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  ASSERT_TRUE(WaitForStartedPrograms());
  for (const char* file : {"a", "b c", "d"}) {
    EXPECT_TRUE(Exists(Path(file))) << file;
  }
  EXPECT_EQ(ReadFile(Path("e")), "42\n");
}

// The guide's POSIX recipes, each typed in /bin/sh as a user types it, with
// runabout and the programs the recipes name found on PATH. A recording script
// stands in for every program, as my-editor and my-browser in bin/ and as
// "Example App/app": beside itself it notes down its name and each argument in
// brackets. Programs started in the background end in any order, so what they
// noted is compared as a set. The docs check (recipes_doc_test.sh) requires
// every string of the table in the guide, and every example of the manual page
// in the table.
struct Recipe {
  std::string line;
  std::vector<std::string> runs;  // "program [argument]...", in any order.
};

TEST_F(PosixEndToEnd, Recipes) {
  const Recipe recipes[] = {
      {R"(runabout my-editor my-browser)", {R"(my-editor)", R"(my-browser)"}},
      {R"(runabout 'my-editor notes.txt' my-browser)",
       {R"(my-editor [notes.txt])", R"(my-browser)"}},
      {R"(runabout 'my-editor notes.txt "to do.txt"' 'my-editor a.txt && my-browser https://example.org')",
       {R"(my-editor [notes.txt] [to do.txt])", R"(my-editor [a.txt])",
        R"(my-browser [https://example.org])"}},
      {R"(runabout "'Example App/app' --flag" my-editor)",
       {R"(Example App/app [--flag])", R"(my-editor)"}},
      {R"(runabout 'Example\ App/app --flag' my-editor)",
       {R"(Example App/app [--flag])", R"(my-editor)"}},
      {R"(runabout "my-browser 'https://example.org/search?q=runabout&lang=en'" my-editor)",
       {R"(my-browser [https://example.org/search?q=runabout&lang=en])",
        R"(my-editor)"}},
      {R"(runabout '"my-editor' notes.txt 'todo.txt"' my-browser)",
       {R"(my-editor [notes.txt] [todo.txt])", R"(my-browser)"}},
      {R"(runabout 'my-editor Привет.txt' 'my-editor 日本語.txt')",
       {R"(my-editor [Привет.txt])", R"(my-editor [日本語.txt])"}},
      {R"(runabout '"my-editor' a.txt 'b.txt"' my-browser)",
       {R"(my-editor [a.txt] [b.txt])", R"(my-browser)"}},
      {R"(runabout my-browser '"my-editor' a.txt)", {R"(my-browser)"}},
      // Quoted whole in double quotes, a command opens a group that never
      // closes.
      {R"(runabout '"my-editor notes.txt"' my-browser)", {}},
      {R"(runabout '"my-editor a.txt' '"my-editor b.txt' 'c.txt"')",
       {R"(my-editor [b.txt] [c.txt])"}},
      {R"(runabout 'my-editor notes.txt </dev/null' my-browser)",
       {R"(my-editor [notes.txt])", R"(my-browser)"}},
      {R"(runabout 'exec my-browser https://example.org >/dev/null' my-editor)",
       {R"(my-browser [https://example.org])", R"(my-editor)"}},
  };
  const std::string bin = Path("bin");
  const std::string app = Path("Example App");
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(app.c_str(), 0755), 0);
  ASSERT_EQ(symlink(RUNABOUT_PATH, (bin + "/runabout").c_str()), 0);
  for (const std::string& program :
       {bin + "/my-editor", bin + "/my-browser", app + "/app"}) {
    std::ofstream(program)
        << "#!/bin/sh\n"
           "record=${0##*/}\n"
           "for a in \"$@\"; do record=\"$record [$a]\"; done\n"
           "printf '%s\\n' \"$record\" >> \"${0%/*}/args.txt\"\n";
    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  }
  const char* path = std::getenv("PATH");
  const std::string searchPath = bin + ":" + (path != nullptr ? path : "");

  for (const Recipe& recipe : recipes) {
    SCOPED_TRACE(recipe.line);
    unlink((bin + "/args.txt").c_str());
    unlink((app + "/args.txt").c_str());
    const Result r = Run("/bin/sh", {"-c", recipe.line}, Stdout::kFile,
                         {{"PATH", searchPath}});
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(WaitForStartedPrograms());
    std::vector<std::string> runs;
    for (const auto& [file, label] :
         {std::pair{bin + "/args.txt", std::string()},
          std::pair{app + "/args.txt", std::string("Example App/")}}) {
      std::istringstream lines(ReadFile(file));
      for (std::string line; std::getline(lines, line);) {
        runs.push_back(label + line);
      }
    }
    std::vector<std::string> expected = recipe.runs;
    std::sort(runs.begin(), runs.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(runs, expected);
  }
}

// The texts that the build with wrapped system calls handed to the shell, in
// the order of Runabout's commands.
std::vector<std::string> ShellRecords(const std::string& path) {
  const std::string text = ReadFile(path);
  std::vector<std::pair<int, std::string>> records;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t space = text.find(' ', at);
    const std::size_t colon = text.find(':', space);
    const std::size_t length = std::stoul(text.substr(space + 1, colon));
    records.emplace_back(std::stoi(text.substr(at, space - at)),
                         text.substr(colon + 1, length));
    at = colon + 1 + length + 1;
  }
  std::sort(records.begin(), records.end());
  std::vector<std::string> texts;
  texts.reserve(records.size());
  for (const auto& record : records) texts.push_back(record.second);
  return texts;
}

// runabout-check reads a line as Runabout does and starts nothing: the lines
// it lists are, in order and byte for byte, what Runabout hands the shell,
// and it names what it drops, and each program, as its status tells.
TEST_F(PosixEndToEnd, CheckShowsWhatRunaboutWouldDo) {
  const std::string kNothing = "- nothing: every argument is part of a command";
  struct {
    const char* why;
    std::vector<std::string> args;
    std::vector<std::string> notStarted;
    std::vector<std::string> programs;  // "{dir}" stands for the test's.
    int status;
  } const cases[] = {
      {"plain commands, found on PATH and built in",
       {"my-tool a", "true"},
       {kNothing},
       {"1 my-tool: found on PATH: {dir}/bin/my-tool",
        "2 true: a built-in command of the shell"},
       0},
      {"a group, and a path",
       {"\"my-tool", "a", "b\"", "bin/my-tool 'c d'"},
       {kNothing},
       {"1 my-tool: found on PATH: {dir}/bin/my-tool",
        "2 bin/my-tool: a path; found: {dir}/bin/my-tool"},
       0},
      {"a group that never closes",
       {"true", "exec my-tool", "\"my-tool", "a"},
       {"- arguments 3 to 4: a group that never closes: [\"my-tool] [a]"},
       {"1 true: a built-in command of the shell",
        "2 exec my-tool: found on PATH: {dir}/bin/my-tool"},
       1},
      {"a group dropped by the next one",
       {"\"my-tool a", "\"my-tool b", "c\""},
       {"- argument 1: a group dropped when argument 2 opened another: "
        "[\"my-tool a]"},
       {"1 my-tool: found on PATH: {dir}/bin/my-tool"},
       1},
      {"a closing quote outside a group",
       {"true", "my-tool b\""},
       {kNothing},
       {"1 true: a built-in command of the shell",
        "2 my-tool: found on PATH: {dir}/bin/my-tool"},
       0},
      {"the arguments behind an empty one",
       {"true", "true", "", "my-tool a", "my-tool b"},
       {"- arguments 4 to 5: never read, as argument 3 is empty and ends the "
        "arguments: [my-tool a] [my-tool b]"},
       {"1 true: a built-in command of the shell",
        "2 true: a built-in command of the shell"},
       1},
      {"one argument shows the usage",
       {"my-tool a"},
       {"- one argument alone: runabout would show its usage: [my-tool a]"},
       {},
       2},
      {"programs not found",
       {"no-such-program-runabout-test", "./my-tool", "start /b true"},
       {kNothing},
       {"1 no-such-program-runabout-test: not found",
        "2 ./my-tool: a path; no program there that may be run",
        "3 start: not found"},
       1},
      {"words the shell reads first",
       {"X=1 my-tool", "if true; then my-tool; fi", "(my-tool)"},
       {kNothing},
       {"1 X=1: not looked up: the shell reads its quotes, expansions or "
        "assignment first",
        "2 if: a word of the shell's own grammar; not looked up",
        "3 (: a subshell; not looked up"},
       0},
  };
  const std::string bin = Path("bin");
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  std::ofstream(bin + "/my-tool") << "#!/bin/sh\n";
  ASSERT_EQ(chmod((bin + "/my-tool").c_str(), 0755), 0);
  const char* path = std::getenv("PATH");
  const std::vector<std::pair<std::string, std::string>> env = {
      {"PATH", bin + ":" + (path != nullptr ? path : "")},
      {"RUNABOUT_SHELL_RECORDS", Path("shell-records")}};

  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    unlink(Path("shell-records").c_str());
    const Result runabout =
        Run(RUNABOUT_FAILING_SYSTEM_CALLS_PATH, c.args, Stdout::kFile, env);
    ASSERT_TRUE(runabout.ended);
    ASSERT_TRUE(WaitForStartedPrograms());
    std::vector<std::string> handedOver;
    for (const std::string& text : ShellRecords(Path("shell-records"))) {
      handedOver.push_back("/bin/sh -c " + text);
    }
    EXPECT_EQ(runabout.status, c.status == 2 ? 2 : 0);

    // Traced, so that any process it made would show. LeakSanitizer, in
    // the sanitizer build, cannot work under a tracer, and would make a
    // process of its own at the end.
    std::vector<std::string> traced = {"-f",
                                       "-qq",
                                       "-e",
                                       "trace=process",
                                       "-o",
                                       Path("trace"),
                                       RUNABOUT_CHECK_PATH};
    traced.insert(traced.end(), c.args.begin(), c.args.end());
    const char* asan = std::getenv("ASAN_OPTIONS");
    auto checkEnv = env;
    checkEnv.emplace_back(
        "ASAN_OPTIONS",
        std::string(asan != nullptr ? asan : "") + ":detect_leaks=0");
    const Result check =
        Run("/usr/bin/strace", traced, Stdout::kFile, checkEnv);
    ASSERT_TRUE(check.ended);
    EXPECT_EQ(check.status, c.status);
    EXPECT_EQ(check.err, "");
    const CheckReport report = ReadCheckReport(check.out);
    EXPECT_EQ(report.handedOver, handedOver);
    EXPECT_EQ(report.notStarted, c.notStarted);
    std::vector<std::string> programs;
    for (std::string line : c.programs) {
      for (std::size_t at = line.find("{dir}"); at != std::string::npos;
           at = line.find("{dir}")) {
        line.replace(at, 5, dir_);
      }
      programs.push_back(line);
    }
    EXPECT_EQ(report.programs, programs);
    // The check's own exec, and no process besides.
    const std::string trace = ReadFile(Path("trace"));
    ASSERT_NE(trace.find("execve("), std::string::npos) << "nothing traced";
    EXPECT_EQ(trace.find("execve(", trace.find("execve(") + 1),
              std::string::npos)
        << trace;
    for (const char* call : {"clone", "fork(", "vfork(", "posix_spawn"}) {
      EXPECT_EQ(trace.find(call), std::string::npos) << call << "\n" << trace;
    }
  }
}

TEST_F(PosixEndToEnd, ProgramsRunOnAfterRunaboutHasEnded) {
  // The first program waits for a file that only appears once Runabout has
  // ended; had Runabout waited for it, Runabout would never end.
  const Result r = Runabout(
      {"while [ ! -e go ]; do sleep 0.02; done; touch done", "touch second"});
  ASSERT_TRUE(r.ended) << "Runabout waited for the program it started";
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(Exists(Path("done")));
  std::ofstream(Path("go")).put('\n');
  EXPECT_TRUE(WaitFor([&] { return Exists(Path("done")); }));
  EXPECT_TRUE(WaitFor([&] { return Exists(Path("second")); }));
}

TEST_F(PosixEndToEnd, CommandThatCannotRunIsPassedOver) {
  // One group of 23,000 short words: each argument is short, but the command
  // they make is longer than the 131,071 bytes execve takes in one argument.
  std::vector<std::string> tooLong = {"\"true"};
  while (tooLong.size() < 23000) tooLong.emplace_back("abcdef");
  tooLong.emplace_back("last\"");
  struct {
    const char* why;
    std::vector<std::string> args;  // Followed by "touch next".
    std::ptrdiff_t commands;        // How many commands they make.
    std::string error;  // On standard error, in one line per command.
    const char* failFork = nullptr;  // Which fork fails, as under a limit.
    int ignored = 0;  // A signal Runabout is started with ignored.
  } const cases[] = {
      // The shell's own message, not Runabout's.
      {"a missing program",
       {"no-such-program-runabout-test"},
       1,
       "no-such-program-runabout-test: not found"},
      // Words the shell must not take for its own options.
      {"a command that begins with -", {"-x"}, 1, "-x: not found"},
      {"a command that begins with +", {"+e"}, 1, "+e: not found"},
      {"commands that look like long options",
       {"--help", "--version"},
       2,
       "--version: not found"},
      // Only the interpreters' own prefix is read: a command that begins
      // with start /b is the shell's to run, as written.
      {"a command that begins with start /b",
       {"start /b no-such-program-runabout-test"},
       1,
       "start: not found"},
      // The stage that cannot start /bin/sh says so itself.
      {"a command too long for execve", tooLong, 1,
       "/bin/sh: Argument list too long\n"},
      // A process limit (ulimit -u, a pids cgroup) refuses a fork: the
      // command is lost, and the line names it.
      {"Runabout cannot fork for a command",
       {"touch lost"},
       1,
       "Runabout: fork: Resource temporarily unavailable: touch lost\n",
       "runabout"},
      {"a stage cannot fork its background stage",
       {"\"touch", "lost\""},
       1,
       "Runabout: fork: Resource temporarily unavailable: touch lost\n",
       "stage"},
      // A caller that ignores SIGCHLD would have the kernel reap the stage
      // before Runabout reads its status.
      {"a stage cannot fork, and Runabout was started with SIGCHLD ignored",
       {"\"touch", "lost\""},
       1,
       "Runabout: fork: Resource temporarily unavailable: touch lost\n",
       "stage",
       SIGCHLD},
      // A forked stage has one line of 256 bytes for it, so a long command
      // is cut, and the line says so.
      {"a stage cannot fork for a long command",
       {"touch " + std::string(300, 'x')},
       1,
       ("Runabout: fork: Resource temporarily unavailable: touch " +
        std::string(300, 'x'))
               .substr(0, 252) +
           "...\n",
       "stage"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    unlink(Path("next").c_str());
    std::vector<std::string> args = c.args;
    args.emplace_back("touch next");
    const Result r =
        c.failFork == nullptr
            ? Runabout(args)
            : Run(RUNABOUT_FAILING_SYSTEM_CALLS_PATH, args, Stdout::kFile,
                  {{"RUNABOUT_FAIL_FORK", c.failFork}}, nullptr, c.ignored);
    ASSERT_TRUE(r.ended);
    // A command lost to a failed fork is known not to have been handed off.
    EXPECT_EQ(r.status, c.failFork == nullptr ? 0 : 1);
    EXPECT_EQ(r.out, "");
    ASSERT_TRUE(WaitForStartedPrograms());
    EXPECT_TRUE(Exists(Path("next")));
    // The shells started in the background may report after Runabout ended.
    const std::string err = ReadFile(Path("stderr"));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.commands) << err;
    EXPECT_NE(err.find(c.error), std::string::npos) << err;
  }
}

TEST_F(PosixEndToEnd, GroupingAndEmptyArgument) {
  // An unclosed group is dropped; an empty argument ends the list.
  const Result r = Runabout({"touch one", "touch two", "\"touch", "three", "",
                             "touch four", "touch five"});
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.status, 0);
  ASSERT_TRUE(WaitForStartedPrograms());
  EXPECT_TRUE(Exists(Path("one")));
  EXPECT_TRUE(Exists(Path("two")));
  for (const char* file : {"three", "four", "five"}) {
    EXPECT_FALSE(Exists(Path(file))) << file;
  }
}

TEST_F(PosixEndToEnd, TenThousandArguments) {
  // One group of 10,000 arguments becomes one command whose words a script
  // records; two plain commands around it start as well.
  std::ofstream(Path("words.sh"))
      << "for w in \"$@\"; do echo \"$w\"; done > words\n";
  constexpr int kArguments = 10000;
  std::vector<std::string> args = {"touch before", "\"sh", "words.sh"};
  std::string expected;
  while (args.size() < kArguments - 2) {
    const std::string word = "w" + std::to_string(args.size());
    args.push_back(word);
    expected += word + "\n";
  }
  args.emplace_back("last\"");
  expected += "last\n";
  args.emplace_back("touch after");
  ASSERT_EQ(args.size(), static_cast<std::size_t>(kArguments));

  const Result r = Runabout(args);
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.status, 0);
  ASSERT_TRUE(WaitForStartedPrograms());
  EXPECT_TRUE(Exists(Path("before")));
  EXPECT_TRUE(Exists(Path("after")));
  EXPECT_EQ(ReadFile(Path("words")), expected);
}

TEST_F(PosixEndToEnd, EveryByteValuePassesThrough) {
  // Bytes 1 to 255 (but the single quote, which the shell's quoting needs)
  // reach the command unchanged.
  std::string bytes;
  for (int b = 1; b <= 255; ++b) {
    if (b != '\'') bytes.push_back(static_cast<char>(b));
  }
  const Result r = Runabout({"printf %s '" + bytes + "' > bytes", "true"});
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.status, 0);
  ASSERT_TRUE(WaitForStartedPrograms());
  EXPECT_EQ(ReadFile(Path("bytes")), bytes);
}

TEST_F(PosixEndToEnd, SignalDispositionsOfStartedPrograms) {
  // Each probe is a shell that signals itself: it dies by a signal left at
  // its default (status 128 + number) and survives one that is ignored.
  // SIGCHLD's default does nothing, so its probe reads instead whether a
  // program the shell starts has it ignored, from /proc.
  struct {
    const char* why;
    const char* signal;
    int ignored;           // Runabout is started with this signal ignored.
    const char* expected;  // nullptr: what /bin/sh itself gives, started so.
  } const cases[] = {
      // Runabout ignores SIGPIPE for its own output; the programs it starts
      // get the default back, or every pipeline they run would misbehave.
      {"SIGPIPE is back at its default", "PIPE", 0, "141\n"},
      // ... but only the disposition Runabout itself was started with, as a
      // service manager may start it with SIGPIPE ignored.
      {"SIGPIPE stays ignored", "PIPE", SIGPIPE, "survived\n0\n"},
      // Runabout waits with SIGCHLD at its default; the programs get the one
      // it was started with, as /bin/sh passes it on (dash takes SIGCHLD
      // back for itself, bash keeps it ignored).
      {"SIGCHLD at its default", "CHLD", 0, nullptr},
      {"SIGCHLD stays ignored", "CHLD", SIGCHLD, nullptr},
      // As with a background start on Windows, Ctrl-C in the terminal does
      // not reach the programs started.
      {"SIGINT is ignored", "INT", 0, "survived\n0\n"},
  };
  // SigIgn in /proc is a mask in hexadecimal, signal N its bit N - 1.
  const std::string childIgnored =
      "echo $((0x$(sed -n \"s/^SigIgn:[[:space:]]*//p\" /proc/self/status) "
      ">> " +
      std::to_string(SIGCHLD - 1) + " & 1))";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const bool fromProc = c.expected == nullptr;
    if (fromProc && !Exists("/proc/self/status")) continue;
    const std::string test =
        fromProc ? childIgnored
                 : std::string("kill -") + c.signal + " $$; echo survived";
    const std::string probe =
        "sh -c '" + test + "' > status 2>&1; echo $? >> status";
    std::string expected = fromProc ? "" : c.expected;
    if (fromProc) {
      const Result direct =
          Run("/bin/sh", {"-c", probe}, Stdout::kFile, {}, nullptr, c.ignored);
      ASSERT_TRUE(direct.ended);
      expected = ReadFile(Path("status"));
    }
    const Result r = Run(RUNABOUT_PATH, {probe, "true"}, Stdout::kFile, {},
                         nullptr, c.ignored);
    ASSERT_TRUE(r.ended);
    ASSERT_TRUE(WaitForStartedPrograms());
    EXPECT_EQ(ReadFile(Path("status")), expected);
  }
}

// The parent of the process whose /proc folder is `proc`, or 0 if unknown.
pid_t ParentIn(const std::filesystem::path& proc) {
  std::string stat;
  std::getline(std::ifstream(proc / "stat"), stat);
  // "pid (name) state ppid ...": the name may hold spaces and parentheses.
  std::istringstream fields(stat.substr(stat.rfind(')') + 1));
  char state = 0;
  pid_t ppid = 0;
  if (!(fields >> state >> ppid)) return 0;
  return ppid;
}

// The processes whose parent is `parent`, from /proc: how many there are.
int ChildrenOf(pid_t parent) {
  int children = 0;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc", error)) {
    if (ParentIn(entry.path()) == parent) ++children;
  }
  return children;
}

TEST_F(PosixEndToEnd, OneStageAtATime) {
  if (!Exists("/proc/self/stat")) GTEST_SKIP() << "no /proc to look in";
  // Runabout waits for each stage and reaps it before it starts the next: at
  // no time has it more than one child, running or ended. A runner that did
  // not wait, or did not reap, would pile them up over 200 commands. A stage
  // lives too briefly to be seen every time, so only the pile-up is checked.
  int most = 0;
  bool visible = false;  // This /proc shows Runabout as this test's child.
  const Result r = Run(RUNABOUT_PATH, std::vector<std::string>(200, "true"),
                       Stdout::kFile, {}, [&](pid_t runabout) {
                         const auto proc = "/proc/" + std::to_string(runabout);
                         visible = visible || ParentIn(proc) == getpid();
                         most = std::max(most, ChildrenOf(runabout));
                       });
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  if (!visible) GTEST_SKIP() << "/proc does not show this test's processes";
  EXPECT_LE(most, 1) << "Runabout's children while it ran, at the most";
}

TEST_F(PosixEndToEnd, UsageForTooFewArguments) {
  const std::vector<std::string> cases[] = {
      {}, {"touch a"}, {"", "touch a", "touch b"}};
  for (const auto& args : cases) {
    const Result r = Runabout(args);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.status, 2) << args.size();
    EXPECT_EQ(r.out, kExpectedBanner) << args.size();
    EXPECT_EQ(r.err, "");
  }
  ASSERT_TRUE(WaitForStartedPrograms());
  EXPECT_FALSE(Exists(Path("a")));
}

TEST_F(PosixEndToEnd, UsageWhenStandardOutputFails) {
  for (Stdout out : {Stdout::kClosed, Stdout::kFull, Stdout::kBrokenPipe}) {
    const Result r = Runabout({}, out);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.status, 2) << static_cast<int>(out);
    EXPECT_EQ(r.err, "");
  }
  // Through the test build's write(): one that takes nothing, and reports no
  // error, fails as well and must not be tried again for ever; one that
  // takes a few bytes at a time is carried on until the banner is whole.
  const std::pair<const char*, std::string> writes[] = {
      {"RUNABOUT_STDOUT_TAKES_NOTHING", ""},
      {"RUNABOUT_STDOUT_TAKES_A_FEW", kExpectedBanner},
  };
  for (const auto& [mode, expected] : writes) {
    const Result r = Run(RUNABOUT_FAILING_SYSTEM_CALLS_PATH, {}, Stdout::kFile,
                         {{mode, "1"}});
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.status, 2) << mode;
    EXPECT_EQ(r.out, expected) << mode;
    EXPECT_EQ(r.err, "") << mode;
  }
}

TEST_F(PosixEndToEnd, OutOfMemoryEndsTheRunAndStartsNothingMore) {
  // Fails the 1st, 2nd, ... allocation until the run needs no more than it
  // is allowed. Every failed run ends with the report and status 3, and what
  // it started is a prefix of the commands, in order.
  const std::vector<std::string> files = {"first-file-with-a-long-name",
                                          "second-file-with-a-long-name",
                                          "third-file-with-a-long-name"};
  std::vector<std::string> args;
  args.reserve(files.size());
  for (const std::string& f : files) args.push_back("touch " + f);

  int failures = 0;
  for (int n = 1; n < 1000; ++n) {
    SCOPED_TRACE("failing allocation " + std::to_string(n));
    for (const std::string& f : files) unlink(Path(f).c_str());
    const Result r = Run(RUNABOUT_FAILING_ALLOCATION_PATH, args, Stdout::kFile,
                         {{"RUNABOUT_FAIL_ALLOCATION", std::to_string(n)}});
    ASSERT_TRUE(r.ended);
    ASSERT_TRUE(WaitForStartedPrograms());
    std::size_t started = 0;
    while (started < files.size() && Exists(Path(files[started]))) ++started;
    for (std::size_t i = started; i < files.size(); ++i) {
      EXPECT_FALSE(Exists(Path(files[i])))
          << files[i] << " started out of order";
    }
    EXPECT_EQ(r.out, "");
    if (r.status == 0) {
      EXPECT_EQ(started, files.size());
      EXPECT_EQ(r.err, "") << "a forked stage ran out of memory";
      EXPECT_GT(failures, 0) << "the first allocation never failed";
      return;
    }
    ++failures;
    ASSERT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "Runabout: Insufficient memory\n");
    EXPECT_LT(started, files.size());
  }
  FAIL() << "the run never completed";
}

TEST_F(PosixEndToEnd, CheckEndsWithStatusThreeWhenMemoryRunsOut) {
  // As Runabout: whichever allocation fails, the report and status 3.
  for (int n = 1; n < 1000; ++n) {
    SCOPED_TRACE("failing allocation " + std::to_string(n));
    const Result r =
        Run(RUNABOUT_CHECK_FAILING_ALLOCATION_PATH, {"\"true", "a\"", "true"},
            Stdout::kFile, {{"RUNABOUT_FAIL_ALLOCATION", std::to_string(n)}});
    ASSERT_TRUE(r.ended);
    if (r.status == 0) {
      EXPECT_GT(n, 1) << "the first allocation never failed";
      EXPECT_EQ(r.err, "");
      return;
    }
    ASSERT_EQ(r.status, 3) << r.out;
    EXPECT_EQ(r.err, "Runabout: Insufficient memory\n");
  }
  FAIL() << "the check never completed";
}

}  // namespace
