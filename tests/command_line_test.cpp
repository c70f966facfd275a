// The raw-line splitter and the argument count.
#include "runtime/command_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/recording_runtime.h"

namespace {

struct SplitCase {
  const char* why;
  std::string line;
  std::vector<std::string> tokens;  // Index 0 on; every later index is empty.
  int count;
};

// Tokens beyond the expected ones must be empty, up to this index.
constexpr int kProbeBeyond = 3;

void ExpectSplit(const SplitCase& c) {
  SCOPED_TRACE(std::string(c.why) + ": [" + c.line + "]");
  const int expected = static_cast<int>(c.tokens.size());
  for (int i = 0; i < expected + kProbeBeyond; ++i) {
    const std::string want =
        i < expected ? c.tokens[static_cast<std::size_t>(i)] : std::string();
    EXPECT_EQ(ArgumentOfCommandLine(c.line.c_str(), i), want) << "index " << i;
  }
  recording::UseRawCommandLine(c.line);
  EXPECT_EQ(CommandArgumentCount(), c.count);
}

TEST(CommandLineSplit, SpacesAndEmptyTokens) {
  const SplitCase cases[] = {
      {"plain words", "prog a b c", {"prog", "a", "b", "c"}, 3},
      {"a double space encloses an empty token, which ends the count",
       "prog a  b",
       {"prog", "a", "", "b"},
       1},
      {"a trailing space is followed by an empty token",
       "prog a ",
       {"prog", "a"},
       1},
      {"two spaces after the name: nothing counts",
       "prog  a b",
       {"prog", "", "a", "b"},
       0},
      {"a leading space makes the name an argument",
       " prog a b",
       {"", "prog", "a", "b"},
       3},
      {"the tab is an ordinary byte", "prog a\tb c", {"prog", "a\tb", "c"}, 2},
      {"only the name", "prog", {"prog"}, 0},
      {"an empty line", "", {}, 0},
  };
  for (const SplitCase& c : cases) ExpectSplit(c);
}

TEST(CommandLineSplit, Quotes) {
  const SplitCase cases[] = {
      {"quotes keep a space and are dropped",
       "prog \"a b\" c",
       {"prog", "a b", "c"},
       2},
      {"after the closing quote the token goes on",
       "prog \"a b\"c d",
       {"prog", "a bc", "d"},
       2},
      {"a quote inside an unquoted token is ordinary",
       "prog ab\"c d\"",
       {"prog", "ab\"c", "d\""},
       2},
      {"an unclosed quote runs to the end", "prog \"a b", {"prog", "a b"}, 1},
      {"an empty quoted pair is an empty token", "prog \"\"", {"prog"}, 0},
      {"an empty quoted pair ends the count",
       "prog a \"\" b",
       {"prog", "a", "", "b"},
       1},
      {"open, close, then an ordinary quote",
       "prog \"\"\"a",
       {"prog", "\"a"},
       1},
      {"a closed quote reopens only at a token's start",
       "prog \"a\"b\"c d\" e",
       {"prog", "ab\"c", "d\"", "e"},
       3},
      {"a quoted name with a space",
       "\"C:\\dir x\\prog.exe\" a",
       {"C:\\dir x\\prog.exe", "a"},
       1},
      {"the in-quotes flag ends with its token",
       "prog \"a\" b\" c",
       {"prog", "a", "b\"", "c"},
       3},
  };
  for (const SplitCase& c : cases) ExpectSplit(c);
}

TEST(CommandLineSplit, BytesAboveAsciiAreOrdinary) {
  const SplitCase cases[] = {
      {"high bytes pass unchanged",
       "prog \xE9t\xE9 \x80\xFF",
       {"prog", "\xE9t\xE9", "\x80\xFF"},
       2},
      {"control bytes pass unchanged",
       "prog \x01\x1F\x7F x",
       {"prog", "\x01\x1F\x7F", "x"},
       2},
  };
  for (const SplitCase& c : cases) ExpectSplit(c);
}

TEST(CommandLineSplit, OutOfRangeIndexesAreEmpty) {
  const char* line = "prog a b";
  for (int index : {-1, -2, -1000, INT_MIN, 3, 4, 1000, INT_MAX}) {
    EXPECT_EQ(ArgumentOfCommandLine(line, index), "") << "index " << index;
  }
}

// POSIX hands over argv as the shell split it; the count's rule still holds.
TEST(CommandLineCount, ArgumentListStopsAtFirstEmptyArgument) {
  struct {
    std::vector<std::string> arguments;
    int count;
  } const cases[] = {
      {{"prog"}, 0},
      {{"prog", "a", "b c"}, 2},
      {{"prog", "a", "", "b"}, 1},
      {{"prog", ""}, 0},
  };
  for (const auto& c : cases) {
    recording::UseArguments(c.arguments);
    EXPECT_EQ(CommandArgumentCount(), c.count) << c.arguments.size();
  }
}

}  // namespace
