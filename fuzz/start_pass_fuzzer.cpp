// Fuzzes Main and the start pass with any list of arguments. The input is cut
// at its NUL bytes into arguments 1 and up, as argv can hold no NUL; the pass
// must hand over only whole arguments behind the interpreter prefix, each at
// most once and in order, and choose between starting and usage by the count.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main.h"
#include "tests/recording_runtime.h"

namespace {

constexpr char kSpace = ' ';
constexpr char kQuote = '"';

// Plenty for any grouping; the rest of a longer input is dropped, which keeps
// the matching below cheap.
constexpr std::size_t kMaxArguments = 64;

// Reports a broken rule and aborts, so libFuzzer keeps the input as a finding.
void Require(bool holds, const char* rule) {
  if (!holds) {
    std::fprintf(stderr, "broken rule: %s\n", rule);
    std::abort();
  }
}

// The program's name, then one argument per NUL-separated piece of `data`.
std::vector<std::string> DecodeArguments(const std::uint8_t* data,
                                         std::size_t size) {
  std::vector<std::string> arguments = {"runabout"};
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes as chars
  const char* piece = reinterpret_cast<const char*>(data);
  const char* const end = piece + size;
  while (arguments.size() <= kMaxArguments) {
    const char* const nul = std::find(piece, end, '\0');
    arguments.emplace_back(piece, nul);
    if (nul == end) {
      break;
    }
    piece = nul + 1;
  }
  return arguments;
}

// Reads the started commands (prefix removed) as runs of the counted
// arguments: each command is arguments first..last joined by single spaces,
// or one argument ending in a quote behind one space (a closing quote outside
// a group), and each run begins after the one before. Several readings can
// fit, so every one is tried; `known` remembers what each (command, next
// argument) pair gave.
class RunReader {
 public:
  RunReader(const std::vector<std::string>& commands,
            const std::vector<std::string>& arguments, std::size_t counted)
      : commands_(commands),
        arguments_(arguments),
        counted_(counted),
        known_(commands.size(), std::vector<int>(counted + 2, kUnknown)) {}

  /// Whether commands `command` on are runs of arguments `next` on.
  bool Fits(std::size_t command, std::size_t next) {
    if (command == commands_.size()) {
      return true;
    }
    int& known = known_[command][next];
    if (known == kUnknown) {
      known = Reads(command, next) ? kFits : kFails;
    }
    return known == kFits;
  }

 private:
  static constexpr int kUnknown = 0;
  static constexpr int kFits = 1;
  static constexpr int kFails = 2;

  bool Reads(std::size_t command, std::size_t next) {
    const std::string& text = commands_[command];
    for (std::size_t first = next; first <= counted_; ++first) {
      const std::string& lone = arguments_[first];
      if (lone.back() == kQuote && text == kSpace + lone &&
          Fits(command + 1, first + 1)) {
        return true;
      }
      std::size_t pos = 0;
      for (std::size_t last = first; last <= counted_; ++last) {
        const std::string& argument = arguments_[last];
        if (text.compare(pos, argument.size(), argument) != 0) {
          break;
        }
        pos += argument.size();
        if (pos == text.size()) {
          if (Fits(command + 1, last + 1)) {
            return true;
          }
          break;
        }
        if (text[pos] != kSpace) {
          break;
        }
        ++pos;
      }
    }
    return false;
  }

  const std::vector<std::string>& commands_;
  const std::vector<std::string>& arguments_;
  const std::size_t counted_;
  std::vector<std::vector<int>> known_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::vector<std::string> arguments = DecodeArguments(data, size);
  std::size_t counted = 0;  // Non-empty arguments from index 1 on.
  while (counted + 1 < arguments.size() && !arguments[counted + 1].empty()) {
    ++counted;
  }

  recording::UseArguments(arguments);
  const int status = Main();
  // A copy, as the second run below records anew.
  // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
  const std::vector<std::string> lines = recording::StartedLines();
  if (counted < 2) {
    Require(status == kExitUsage, "fewer than two arguments: status 2");
    Require(lines.empty(), "with the usage shown nothing is started");
    Require(!recording::Output().empty(), "the usage is shown");
    return 0;
  }
  Require(status == kExitStarted, "two arguments or more: status 0");
  Require(recording::Output().empty(), "the start pass prints nothing");

  const std::string prefix = ShellPrefix;
  std::vector<std::string> commands;
  for (const std::string& line : lines) {
    Require(line.compare(0, prefix.size(), prefix) == 0,
            "every line starts with the interpreter prefix");
    commands.push_back(line.substr(prefix.size()));
  }
  RunReader reader(commands, arguments, counted);
  Require(reader.Fits(0, 1),
          "every line is whole arguments joined by single spaces, each "
          "argument in at most one line, in order");

  // With no quote at either end of any argument there is no group and no
  // closing quote: each argument is started alone, in order.
  std::vector<std::string> alone;
  for (std::size_t i = 1; i <= counted; ++i) {
    const std::string& argument = arguments[i];
    if (argument.front() == kQuote || argument.back() == kQuote) {
      alone.clear();
      break;
    }
    alone.push_back(prefix + argument);
  }
  Require(alone.empty() || lines == alone,
          "arguments without quotes at their ends are started one by one");

  // The same arguments again hand over the same lines: no state of one run
  // reaches the next.
  recording::UseArguments(arguments);
  Main();
  Require(recording::StartedLines() == lines, "runs are independent");
  return 0;
}
