// Fuzzes the raw-line splitter. The input, up to its first NUL, is one raw
// command line; every index must give the token the splitting rules give, and
// the argument count must stop where they say.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/command_line.h"
#include "tests/recording_runtime.h"

namespace {

constexpr char kSpace = ' ';
constexpr char kQuote = '"';
constexpr std::size_t kNone = std::string::npos;

// Reports a broken rule and aborts, so libFuzzer keeps the input as a finding.
void Require(bool holds, const char* rule) {
  if (!holds) {
    std::fprintf(stderr, "broken rule: %s\n", rule);
    std::abort();
  }
}

// A token found by its bounds in the raw line rather than byte by byte.
struct RawToken {
  std::size_t start;  // Its first byte in the line.
  std::string text;   // Its bytes without the opening and closing quote.
};

// Every token of `line`, index 0 on: a token that starts with a quote is quoted
// up to the next quote (or the end); from there, or from its start if it is
// not quoted, it runs up to the next space (or the end). The space is dropped
// and the next token starts behind it.
std::vector<RawToken> RawTokens(const std::string& line) {
  std::vector<RawToken> tokens;
  std::size_t start = 0;
  for (;;) {
    RawToken token{start, std::string()};
    std::size_t plain = start;  // Where the unquoted part begins.
    if (start < line.size() && line[start] == kQuote) {
      const std::size_t close = line.find(kQuote, start + 1);
      const std::size_t quotedEnd = close == kNone ? line.size() : close;
      token.text = line.substr(start + 1, quotedEnd - start - 1);
      plain = close == kNone ? line.size() : close + 1;
    }
    const std::size_t space = line.find(kSpace, plain);
    const std::size_t end = space == kNone ? line.size() : space;
    token.text += line.substr(plain, end - plain);
    tokens.push_back(token);
    if (end == line.size()) {
      return tokens;
    }
    start = end + 1;
  }
}

void CheckTokens(const std::string& line) {
  const std::vector<RawToken> expected = RawTokens(line);
  const int last = static_cast<int>(expected.size()) - 1;
  std::size_t reached = 0;  // Just behind the line byte matched last.
  for (int k = 0; k <= last + 2; ++k) {
    const std::string token = ArgumentOfCommandLine(line.c_str(), k);
    if (k > last) {
      Require(token.empty(), "a token past the last one is empty");
      continue;
    }
    const RawToken& raw = expected[static_cast<std::size_t>(k)];
    Require(token == raw.text,
            "a token is its bytes without the opening and closing quote");
    Require(token.find(kSpace) == kNone || line[raw.start] == kQuote,
            "only a token that starts with a quote holds a space");
    for (const char c : token) {
      reached = line.find(c, reached);
      Require(reached != kNone,
              "the tokens, in index order, are a subsequence of the line");
      ++reached;
    }
  }
  for (const int index : {-1, -2, INT_MIN, last + 1000, INT_MAX}) {
    Require(ArgumentOfCommandLine(line.c_str(), index).empty(),
            "a negative index or one past the end gives the empty text");
  }
}

void CheckCount(const std::string& line) {
  recording::UseRawCommandLine(line);
  const int count = CommandArgumentCount();
  Require(count >= 0, "the count is not negative");
  for (int k = 1; k <= count; ++k) {
    Require(!CommandArgument(k).empty(), "every counted argument is non-empty");
  }
  Require(CommandArgument(count + 1).empty(),
          "the count ends at the first empty argument");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  // The splitter reads a C string: the line ends at the first NUL.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes as chars
  const char* bytes = reinterpret_cast<const char*>(data);
  const std::string line(bytes, std::find(bytes, bytes + size, '\0'));
  CheckTokens(line);
  CheckCount(line);
  return 0;
}
