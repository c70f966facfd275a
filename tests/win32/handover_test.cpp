// Runabout under Wine with the recording stand-in as the system's cmd.exe:
// for exact raw command lines, the exact lines handed to the interpreter,
// their order, that each interpreter ends before the next begins, the exit
// status, that the interpreter inherits none of Runabout's handles, and that
// a cmd.exe beside Runabout or in the current folder is never run in its
// place. runabout-check, given each line, lists the same lines, says what it
// drops, and starts nothing at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/system_win32.h"
#include "tests/check_report.h"
#include "tests/expected_banner.h"
#include "tests/long_command_lines.h"
#include "tests/win32/e2e_support.h"

namespace {

constexpr char kPrefix[] = "cmd /C start /B cmd /C ";
constexpr int kAttempts = 3;

struct HandOverCase {
  const char* why;
  std::string commandLine;            // Exactly as Runabout receives it.
  std::vector<std::string> commands;  // Each handed over behind the prefix.
  DWORD exitCode;
  // What runabout-check says it would not start; by default nothing.
  std::vector<std::string> notStarted = {};
  const char* program = "RUNABOUT_PROGRAM";  // Names the program to run.
};

// runabout-check, given the line of `c`, must list exactly `lines` and start
// nothing: the stand-in cmd.exe in the system folder, beside it and in its
// current folder records nothing.
void ExpectCheck(const HandOverCase& c, const std::vector<std::string>& lines) {
  const std::string check =
      e2e::ProgramFromEnvironment("RUNABOUT_CHECK_PROGRAM");
  ASSERT_FALSE(check.empty()) << "RUNABOUT_CHECK_PROGRAM is not set";
  const e2e::RecordedRun run =
      e2e::RunWithRecordingCmd(check, c.commandLine, "runabout-check.exe");
  ASSERT_TRUE(run.outcome.started) << run.why;
  ASSERT_TRUE(run.outcome.ended) << "runabout-check never ended";
  EXPECT_EQ(run.planted, "") << "runabout-check started a cmd.exe";
  EXPECT_TRUE(run.inOrder && run.lines.empty())
      << "runabout-check started the system's cmd.exe";
  // It writes in UTF-8, its ANSI code page, and this test in its own.
  const CheckReport report =
      ReadCheckReport(Narrowed(CP_ACP, Widened(CP_UTF8, run.output)));
  EXPECT_EQ(report.handedOver, lines) << run.output;
  const std::vector<std::string> nothing = {
      "- nothing: every argument is part of a command"};
  EXPECT_EQ(report.notStarted, c.notStarted.empty() ? nothing : c.notStarted)
      << run.output;
  // Lookups decide the status where nothing is dropped: the names here are
  // made up.
  if (c.exitCode == 2) {
    EXPECT_EQ(run.outcome.exitCode, 2u);
  } else if (!c.notStarted.empty()) {
    EXPECT_EQ(run.outcome.exitCode, 1u);
  }
}

// Runs one case in fresh directories and checks everything it left behind;
// with `kept`, the run that passed is kept there. Wine now and then fails to
// start a process on its own; that shows as records missing, and only then is
// the case run again.
void ExpectHandOver(const HandOverCase& c, e2e::RecordedRun* kept = nullptr) {
  SCOPED_TRACE(c.why);
  const std::string program = e2e::ProgramFromEnvironment(c.program);
  ASSERT_FALSE(program.empty()) << c.program << " is not set";
  std::vector<std::string> expected;
  for (const std::string& command : c.commands) {
    expected.push_back(kPrefix + command);
  }
  for (int attempt = 1;; ++attempt) {
    const e2e::RecordedRun run =
        e2e::RunWithRecordingCmd(program, c.commandLine);
    ASSERT_TRUE(run.outcome.started) << run.why;
    ASSERT_EQ(run.planted, "") << "only the system's cmd.exe may run";
    ASSERT_TRUE(run.outcome.ended) << "Runabout never ended";
    EXPECT_EQ(run.outcome.exitCode, c.exitCode);
    EXPECT_EQ(run.output, c.exitCode == 2 ? kExpectedBanner : "");
    ASSERT_TRUE(run.inOrder) << run.why;
    const std::vector<std::string>& lines = run.lines;
    if (lines == expected) {
      if (kept != nullptr) {
        *kept = run;
      }
      ExpectCheck(c, lines);
      return;
    }
    ASSERT_TRUE(e2e::OnlyStartsLost(lines, expected, attempt, kAttempts));
  }
}

TEST(HandOver, PlainArgumentsOneAfterTheOther) {
  const HandOverCase cases[] = {
      {"two programs",
       "runabout.exe calc.exe notepad.exe",
       {"calc.exe", "notepad.exe"},
       0},
      {"a quoted argument arrives unquoted and whole",
       "runabout.exe \"explorer x\" calc.exe notepad.exe",
       {"explorer x", "calc.exe", "notepad.exe"},
       0},
      {"the program's own name quoted, with a space in it",
       "\"C:\\dir x\\runabout.exe\" a b",
       {"a", "b"},
       0},
  };
  for (const HandOverCase& c : cases) ExpectHandOver(c);
}

TEST(HandOver, RawLineSplitByRunaboutsOwnRules) {
  const HandOverCase cases[] = {
      {"a tab is an ordinary byte", "runabout.exe a\tb c", {"a\tb", "c"}, 0},
      {"bytes above 127 pass unchanged",
       "runabout.exe caf\xE9.exe \xFC\xE8\xDF.exe",
       {"caf\xE9.exe", "\xFC\xE8\xDF.exe"},
       0},
      {"a leading space makes the program's name argument 1",
       " runabout.exe a b",
       {"runabout.exe", "a", "b"},
       0},
      {"an unclosed quote runs to the end, spaces and all",
       "runabout.exe a \"b  c",
       {"a", "b  c"},
       0},
      {"after the closing quote the token goes on",
       "runabout.exe \"a b\"c d",
       {"a bc", "d"},
       0},
  };
  for (const HandOverCase& c : cases) ExpectHandOver(c);
}

TEST(HandOver, QuotedGroups) {
  // """a splits to "a: the first quote opens, the second closes, the third
  // stays, so the argument still begins with a quote and opens a group.
  const HandOverCase cases[] = {
      {"a group is joined by single spaces, quotes kept",
       "runabout.exe \"\"\"a b c\" d",
       {"\"a b c\"", "d"},
       0},
      {"an open group at the end is dropped",
       "runabout.exe x \"\"\"a b",
       {"x"},
       0,
       {"- arguments 2 to 3: a group that never closes: [\"a] [b]"}},
      {"a new group drops the open one",
       "runabout.exe \"\"\"a \"\"\"b c\"",
       {"\"b c\""},
       0,
       {"- argument 1: a group dropped when argument 2 opened another: "
        "[\"a]"}},
      {"a trailing quote outside a group starts behind a space",
       "runabout.exe x y\"",
       {"x", " y\""},
       0},
      // A path without a space in """: the argument that opens the group
      // also ends with a quote, which does not close it, so the group never
      // closes and every command is dropped, silently.
      {"a group that never closes drops what follows it",
       R"(runabout """C:\Tools\app.exe" calc.exe)",
       {},
       0,
       {"- arguments 1 to 2: a group that never closes: "
        "[\"C:\\Tools\\app.exe\"] [calc.exe]"}},
      // ... up to an argument that opens a group afresh.
      {"a later group still starts",
       R"(runabout """C:\Tools\app.exe" calc.exe """C:\Program Files\Example App\app.exe")",
       {"\"C:\\Program Files\\Example App\\app.exe\""},
       0,
       {"- arguments 1 to 2: a group dropped when argument 3 opened another: "
        "[\"C:\\Tools\\app.exe\"] [calc.exe]"}},
  };
  for (const HandOverCase& c : cases) ExpectHandOver(c);
}

TEST(HandOver, FewerThanTwoCountedArgumentsStartNothing) {
  const HandOverCase cases[] = {
      {"two spaces: the empty token ends the arguments",
       "runabout.exe calc.exe  notepad.exe",
       {},
       2,
       {"- one argument alone: runabout would show its usage: [calc.exe]",
        "- argument 3: never read, as argument 2 is empty and ends the "
        "arguments: [notepad.exe]"}},
      {"an empty quoted first argument",
       "runabout.exe \"\" a b",
       {},
       2,
       {"- no arguments: runabout would show its usage",
        "- arguments 2 to 3: never read, as argument 1 is empty and ends the "
        "arguments: [a] [b]"}},
  };
  for (const HandOverCase& c : cases) ExpectHandOver(c);
}

TEST(HandOver, WaitsForEachInterpreterToEnd) {
  const HandOverCase cases[] = {
      // An interpreter that takes its time still ends before the next
      // begins; HandedOverLines checks that order.
      {"slow interpreters",
       "runabout.exe sleep-ms:300 b sleep-ms:200 c",
       {"sleep-ms:300", "b", "sleep-ms:200", "c"},
       0},
      // 259 is STILL_ACTIVE: read as an exit code alone it would look like a
      // child that never ends.
      {"an interpreter that ends with status 259",
       "runabout.exe exit-code:259 b",
       {"exit-code:259", "b"},
       0},
  };
  for (const HandOverCase& c : cases) ExpectHandOver(c);
}

// runaboutw.exe, the same program for the GUI subsystem, hands over the same
// lines in the same order, each only once the one before has ended.
TEST(HandOver, WindowedProgramHandsOverTheSameLines) {
  const HandOverCase cases[] = {
      {"two programs",
       "runaboutw.exe calc.exe notepad.exe",
       {"calc.exe", "notepad.exe"},
       0,
       {},
       "RUNABOUTW_PROGRAM"},
      {"a group, then a slow interpreter",
       "runaboutw.exe \"\"\"a b\" sleep-ms:200 c",
       {"\"a b\"", "sleep-ms:200", "c"},
       0,
       {},
       "RUNABOUTW_PROGRAM"},
  };
  for (const HandOverCase& c : cases) ExpectHandOver(c);
}

// An inheritable file of this process's own that holds the stand-in's probe
// marker for its own handle value, "probe-handle:N".
class ProbeFile {
 public:
  explicit ProbeFile(const std::string& path) {
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    handle_ =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &inheritable,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
      return;
    }
    marker_ = "probe-handle:" + std::to_string(HandleToULong(handle_));
    DWORD written = 0;
    if (WriteFile(handle_, marker_.data(), static_cast<DWORD>(marker_.size()),
                  &written, nullptr) == FALSE ||
        written != marker_.size()) {
      marker_.clear();
    }
  }
  ~ProbeFile() {
    if (handle_ != INVALID_HANDLE_VALUE) {
      CloseHandle(handle_);
    }
  }
  ProbeFile(const ProbeFile&) = delete;
  ProbeFile& operator=(const ProbeFile&) = delete;
  ProbeFile(ProbeFile&&) = delete;
  ProbeFile& operator=(ProbeFile&&) = delete;

  /// The marker; empty if the file could not be made.
  [[nodiscard]] const std::string& marker() const { return marker_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::string marker_;
};

// The interpreter that Runabout starts inherits none of its handles. Runabout
// itself is started with inheritance on, so it holds this test's probe file
// at the same handle value, and the stand-in looks there for the file.
TEST(HandOver, InterpreterInheritsNoHandles) {
  const e2e::ScratchDirectory directory;
  const ProbeFile probe(directory.path() + "probe.txt");
  ASSERT_FALSE(probe.marker().empty()) << "no probe file";

  // The stand-in started from here with inheritance on must see the file, or
  // the probe could not tell an inherited handle from none.
  e2e::RecordInterpretersIn(directory.path());
  const e2e::StandardHandles own = {GetStdHandle(STD_INPUT_HANDLE),
                                    GetStdHandle(STD_OUTPUT_HANDLE),
                                    GetStdHandle(STD_ERROR_HANDLE)};
  const e2e::Outcome direct =
      e2e::Run(e2e::SystemInterpreter(), "cmd.exe " + probe.marker(),
               directory.path(), &own);
  ASSERT_TRUE(direct.started && direct.ended);
  ASSERT_EQ(e2e::ReadHandleProbe(directory.path()), "inherited");

  const HandOverCase c = {"the first interpreter probes for the file",
                          "runabout.exe " + probe.marker() + " b",
                          {probe.marker(), "b"},
                          0};
  e2e::RecordedRun run;
  ASSERT_NO_FATAL_FAILURE(ExpectHandOver(c, &run));
  EXPECT_EQ(run.probe, "not inherited");
}

// The limits of a Windows command line (32,767 characters) and of the ANSI
// code page: everything still reaches the interpreter exactly.
TEST(HandOver, Limits) {
  const std::string longArgument(32000, 'x');

  const ArgumentGroup group = GroupOfOneCharacterArguments(16000);

  // Every byte from 1 to 255: the space only inside quotes, the double quote
  // only inside an argument, where both are ordinary.
  std::string bytes;
  for (int b = 1; b <= 255; ++b) {
    if (b != ' ' && b != '"') bytes.push_back(static_cast<char>(b));
  }

  const HandOverCase cases[] = {
      {"one argument of 32,000 bytes",
       "runabout.exe " + longArgument + " y",
       {longArgument, "y"},
       0},
      {"16,000 one-character arguments",
       "runabout.exe " + group.raw,
       {group.command, "d"},
       0},
      {"every byte value passes unchanged",
       "runabout.exe " + bytes + " \"x y\" a\"b",
       {bytes, "x y", "a\"b"},
       0},
  };
  for (const HandOverCase& c : cases) {
    ASSERT_LE(c.commandLine.size(), 32767u) << c.why;
    ExpectHandOver(c);
  }
}

}  // namespace
