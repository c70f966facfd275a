// The start pass: a two-state machine over the arguments. Idle, a plain
// argument is started at once; an argument that begins with a double quote
// opens a group, which collects arguments until one ends with a double quote
// and is then started whole, quotes included.
#include <string>

#include "app/main.h"
#include "runtime/command_line.h"
#include "runtime/process.h"

namespace {

constexpr char kQuote = '"';

std::string CurrentArgument;
std::string PendingCommand;
int InQuotedGroup = 0;
int ArgumentIndex = 0;

bool BeginsWithQuote(const std::string& text) {
  return !text.empty() && text.front() == kQuote;
}

bool EndsWithQuote(const std::string& text) {
  return !text.empty() && text.back() == kQuote;
}

}  // namespace

bool StartPass() {
  bool allHandedOff = true;
  InQuotedGroup = 0;
  PendingCommand.clear();
  const int count = CommandArgumentCount();
  for (ArgumentIndex = 1; ArgumentIndex <= count; ++ArgumentIndex) {
    CurrentArgument = CommandArgument(ArgumentIndex);
    // The first matching row wins: a leading quote opens a group (dropping
    // any group still open), a trailing quote closes one (or, with none open,
    // starts the argument behind a space), and inside a group the argument
    // is appended.
    if (BeginsWithQuote(CurrentArgument)) {
      InQuotedGroup = 1;
      PendingCommand = CurrentArgument;
    } else if (EndsWithQuote(CurrentArgument)) {
      PendingCommand += ' ';
      PendingCommand += CurrentArgument;
      InQuotedGroup = 0;
    } else if (InQuotedGroup == 1) {
      PendingCommand += ' ';
      PendingCommand += CurrentArgument;
    } else {
      PendingCommand = CurrentArgument;
    }
    if (InQuotedGroup == 0) {
      allHandedOff = RunAndWait(ShellPrefix + PendingCommand) && allHandedOff;
      PendingCommand.clear();
    }
  }
  // A group still open here is dropped: its command is never started.
  return allHandedOff;
}

int StartPassArgument() { return ArgumentIndex; }
