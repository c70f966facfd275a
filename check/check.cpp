// The report: the commands the start pass hands over, the arguments it drops
// and why, and the program each command names.
#include "check/check.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "app/main.h"
#include "check/reading.h"
#include "runtime/command_line.h"
#include "runtime/preview.h"

namespace {

// A run of arguments, first to last, both included.
struct Span {
  int first;
  int last;
};

// "argument 3" or "arguments 3 to 5".
std::string Arguments(Span span) {
  if (span.first == span.last) {
    return "argument " + std::to_string(span.first);
  }
  return "arguments " + std::to_string(span.first) + " to " +
         std::to_string(span.last);
}

// The arguments of `span`, each in brackets.
std::string Texts(const std::vector<std::string>& arguments, Span span) {
  std::string texts;
  for (int i = span.first; i <= span.last; ++i) {
    texts += (i == span.first ? "[" : " [") +
             arguments[static_cast<std::size_t>(i)] + "]";
  }
  return texts;
}

// The first argument of the command that `command` ends at argument `last`
// with: the start pass joins a group's arguments with single spaces, and an
// argument it starts behind a space is its only one. Joined texts grow with
// each argument taken, so one length fits at most one first argument.
int FirstArgumentOf(const std::string& command, int last,
                    const std::vector<std::string>& arguments) {
  std::size_t length = 0;
  for (int first = last; first >= 1; --first) {
    length += arguments[static_cast<std::size_t>(first)].size();
    if (length == command.size() ||
        (first == last && length + 1 == command.size())) {
      return first;
    }
    ++length;  // The space before the next argument taken.
  }
  return last;
}

// Adds the groups of the dropped arguments in `span` to `*lines`: each opens
// at an argument that begins with a double quote, and is dropped when the
// next one opens, at the latest at `next`; with `next` 0 the last never
// closes.
void DropGroups(const std::vector<std::string>& arguments, Span span,
                int next, std::vector<std::string>* lines, int* count) {
  *count += span.last - span.first + 1;
  int first = span.first;
  for (int i = span.first + 1; i <= span.last + 1; ++i) {
    const bool opens = i <= span.last &&
                       arguments[static_cast<std::size_t>(i)].front() == '"';
    if (!opens && i <= span.last) {
      continue;
    }
    const Span group = {first, i - 1};
    const int opener = i <= span.last ? i : next;
    lines->push_back(
        "- " + Arguments(group) + ": " +
        (opener == 0 ? std::string("a group that never closes")
                     : "a group dropped when argument " +
                           std::to_string(opener) + " opened another") +
        ": " + Texts(arguments, group));
    first = i;
  }
}

void Print(const std::string& line) { WriteReportLine(line); }

}  // namespace

int CheckMain() {
  const int count = CommandArgumentCount();
  // Every token, the counted arguments and those behind the first empty one.
  const int tokens = std::max(CommandTokenCount(), count + 1);
  std::vector<std::string> arguments;
  for (int i = 0; i < tokens; ++i) {
    arguments.push_back(CommandArgument(i));
  }
  const bool starts = count >= kLeastArguments;
  if (starts) {
    StartPass();
  }
  const std::vector<PreviewedCommand>& commands = PreviewedCommands();

  // What is not started, in the order of the arguments.
  std::vector<std::string> dropped;
  int droppedCount = 0;  // Counted arguments in a group that never starts.
  std::vector<int> firsts;
  int consumed = 0;
  for (const PreviewedCommand& c : commands) {
    const int first = FirstArgumentOf(c.line.substr(sizeof(ShellPrefix) - 1),
                                      c.lastArgument, arguments);
    if (first > consumed + 1) {
      DropGroups(arguments, {consumed + 1, first - 1}, first, &dropped, &droppedCount);
    }
    firsts.push_back(first);
    consumed = c.lastArgument;
  }
  if (starts && consumed < count) {
    DropGroups(arguments, {consumed + 1, count}, 0, &dropped, &droppedCount);
  }
  if (!starts) {
    dropped.push_back(count == 0 ? std::string("- no arguments: runabout "
                                               "would show its usage")
                                 : "- one argument alone: runabout would show "
                                   "its usage: " +
                                       Texts(arguments, {1, 1}));
  }
  // Behind the first empty argument nothing is read.
  const Span unread = {count + 2, tokens - 1};
  int unreadWords = 0;
  for (int i = unread.first; i <= unread.last; ++i) {
    unreadWords += arguments[static_cast<std::size_t>(i)].empty() ? 0 : 1;
  }
  if (unreadWords > 0) {
    droppedCount += unreadWords;
    dropped.push_back("- " + Arguments(unread) + ": never read, as argument " +
                      std::to_string(count + 1) +
                      " is empty and ends the arguments: " +
                      Texts(arguments, unread));
  }

  if (!commands.empty()) {
    Print("Commands, in the order runabout would hand them over:");
  }
  for (std::size_t n = 0; n < commands.size(); ++n) {
    Print("Command " + std::to_string(n + 1) + ", from " +
          Arguments({firsts[n], commands[n].lastArgument}) + ":");
    Print(HandedOver(commands[n].line));
  }
  if (!commands.empty()) {
    Print("");
  }
  Print("Not started:");
  if (dropped.empty()) {
    Print("- nothing: every argument is part of a command");
  }
  for (const std::string& line : dropped) {
    Print(line);
  }

  int notFound = 0;
  std::vector<std::string> notes;
  if (!commands.empty()) {
    Print("");
    Print("Programs:");
    Print(SearchOrder());
  }
  for (std::size_t n = 0; n < commands.size(); ++n) {
    const std::string number = std::to_string(n + 1) + " ";
    const ProgramLookup program = LookUpProgram(commands[n].line);
    Print(number + program.text);
    notFound += program.found ? 0 : 1;
    for (const std::string& note : OperatorNotes(commands[n].line)) {
      notes.push_back(number + note);
    }
  }
  if (!notes.empty()) {
    Print("");
    Print("Read by the interpreters:");
    for (const std::string& note : notes) {
      Print(note);
    }
  }

  std::string summary;
  int status = kCheckClean;
  if (!starts) {
    summary = "runabout would show its usage and start nothing.";
    status = kCheckUsage;
  } else {
    summary = "runabout would start " + std::to_string(commands.size()) +
              (commands.size() == 1 ? " command" : " commands");
    if (!dropped.empty() || notFound > 0) {
      status = kCheckProblem;
      summary += droppedCount == 0 ? ""
                 : droppedCount == 1
                     ? "; 1 argument would be dropped"
                     : "; " + std::to_string(droppedCount) +
                           " arguments would be dropped";
      summary += notFound == 0 ? ""
                 : notFound == 1
                     ? "; 1 program is not found"
                     : "; " + std::to_string(notFound) + " programs are not found";
    }
    summary += ".";
  }
  Print("");
  Print(summary);
  return status;
}
