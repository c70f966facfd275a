// Main and the start pass, against the recording runtime.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main.h"
#include "tests/long_command_lines.h"
#include "tests/recording_runtime.h"

namespace {

constexpr char kPrefix[] = "cmd /C start /B cmd /C ";

struct PassCase {
  const char* why;
  std::vector<std::string> arguments;  // After the program's name.
  std::vector<std::string> commands;   // Each started behind the prefix.
};

void ExpectPass(const PassCase& c) {
  std::vector<std::string> argv = {"runabout"};
  argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
  recording::UseArguments(argv);
  SCOPED_TRACE(c.why);
  EXPECT_EQ(Main(), kExitStarted);
  std::vector<std::string> lines;
  for (const std::string& command : c.commands) {
    lines.push_back(kPrefix + command);
  }
  EXPECT_EQ(recording::StartedLines(), lines);
  EXPECT_EQ(recording::Output(), "");
}

TEST(StartPass, PlainArgumentsStartOneByOne) {
  const PassCase cases[] = {
      {"two programs",
       {"calc.exe", "notepad.exe"},
       {"calc.exe", "notepad.exe"}},
      {"an argument unquoted by splitting is one command",
       {"explorer x", "calc.exe", "notepad.exe"},
       {"explorer x", "calc.exe", "notepad.exe"}},
      {"order is kept", {"c", "b", "a", "b"}, {"c", "b", "a", "b"}},
  };
  for (const PassCase& c : cases) ExpectPass(c);
}

TEST(StartPass, QuotedGroups) {
  const PassCase cases[] = {
      {"a group is joined by single spaces, quotes kept",
       {"\"a", "b", "c\""},
       {"\"a b c\""}},
      {"a group of two", {"\"a", "b\""}, {"\"a b\""}},
      {"an open group at the end is dropped", {"\"a", "b"}, {}},
      {"arguments before an unclosed group still start",
       {"x", "y", "\"a", "b"},
       {"x", "y"}},
      {"a new group drops the open one", {"\"a", "\"b", "c\""}, {"\"b c\""}},
      {"a trailing quote outside a group starts behind a space",
       {"x", "y\""},
       {"x", " y\""}},
      {"an argument quoted at both ends opens a group", {"\"a\"", "b"}, {}},
      {"...and the next closing argument starts it",
       {"\"a\"", "b\""},
       {"\"a\" b\""}},
      {"a lone quote opens a group", {"\"", "x\""}, {"\" x\""}},
      {"a group between plain arguments",
       {"p", "\"a", "b\"", "q"},
       {"p", "\"a b\"", "q"}},
      {"plain arguments inside a group are appended",
       {"\"a", "b", "c", "d\""},
       {"\"a b c d\""}},
  };
  for (const PassCase& c : cases) ExpectPass(c);
}

// The raw line goes through the real splitter on its way to the pass.
TEST(StartPass, FromRawCommandLine) {
  struct {
    const char* why;
    std::string line;
    std::vector<std::string> commands;
  } const cases[] = {
      {"a quoted argument arrives unquoted",
       "runabout \"explorer x\" calc.exe notepad.exe",
       {"explorer x", "calc.exe", "notepad.exe"}},
      {"a quote inside a token is ordinary; a closing one outside a group "
       "starts behind a space",
       "runabout a\"b c\" d",
       {"a\"b", " c\"", "d"}},
      {"an empty token ends the arguments", "runabout a b  c d", {"a", "b"}},
      {"the tab does not separate", "runabout a\tb c", {"a\tb", "c"}},
  };
  for (const auto& c : cases) {
    recording::UseRawCommandLine(c.line);
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Main(), kExitStarted);
    std::vector<std::string> lines;
    for (const std::string& command : c.commands) {
      lines.push_back(kPrefix + command);
    }
    EXPECT_EQ(recording::StartedLines(), lines);
  }
}

TEST(Main, FewerThanTwoArgumentsStartNothingAndShowUsage) {
  const std::vector<std::string> cases[] = {
      {"runabout"},
      {"runabout", "calc.exe"},
      {"runabout", "", "calc.exe", "notepad.exe"},
      {"runabout", "calc.exe", "", "notepad.exe"},
  };
  for (const auto& argv : cases) {
    recording::UseArguments(argv);
    EXPECT_EQ(Main(), kExitUsage) << argv.size();
    EXPECT_TRUE(recording::StartedLines().empty());
    EXPECT_FALSE(recording::Output().empty());
  }
}

TEST(Main, StatePassesNotBetweenRuns) {
  recording::UseArguments({"runabout", "\"a", "b"});
  EXPECT_EQ(Main(), kExitStarted);
  recording::UseArguments({"runabout", "c", "d"});
  EXPECT_EQ(Main(), kExitStarted);
  EXPECT_EQ(recording::StartedLines(),
            (std::vector<std::string>{std::string(kPrefix) + "c",
                                      std::string(kPrefix) + "d"}));
}

}  // namespace

namespace {

// Windows command lines reach 32,767 characters: one long argument, and a
// group of 16,000 one-character arguments, both handed over exactly.
TEST(StartPass, CommandLinesOfMaximumLength) {
  const std::string longArgument(32000, 'x');
  recording::UseRawCommandLine("runabout " + longArgument + " y");
  EXPECT_EQ(Main(), kExitStarted);
  // EXPECT_TRUE: a mismatch would print 32,000 bytes.
  EXPECT_TRUE(recording::StartedLines() ==
              (std::vector<std::string>{std::string(kPrefix) + longArgument,
                                        std::string(kPrefix) + "y"}));

  const ArgumentGroup group = GroupOfOneCharacterArguments(16000);
  const std::string line = "runabout " + group.raw;
  ASSERT_LE(line.size(), 32767u);
  recording::UseRawCommandLine(line);
  EXPECT_EQ(Main(), kExitStarted);
  EXPECT_TRUE(recording::StartedLines() ==
              (std::vector<std::string>{std::string(kPrefix) + group.command,
                                        std::string(kPrefix) + "d"}));
}

}  // namespace
