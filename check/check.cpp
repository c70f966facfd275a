// The report: the commands the start pass hands over, the arguments it drops
// and why, and the program each command names.
#include "check/check.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
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
void DropGroups(const std::vector<std::string>& arguments, Span span, int next,
                std::vector<std::string>* lines, int* count) {
  *count += span.last - span.first + 1;
  int first = span.first;
  for (int i = span.first + 1; i <= span.last + 1; ++i) {
    const bool opens =
        i <= span.last && arguments[static_cast<std::size_t>(i)].front() == '"';
    if (!opens && i <= span.last) {
      continue;
    }
    const Span group = {first, i - 1};
    const int opener = i <= span.last ? i : next;
    lines->push_back("- " + Arguments(group) + ": " +
                     (opener == 0
                          ? std::string("a group that never closes")
                          : "a group dropped when argument " +
                                std::to_string(opener) + " opened another") +
                     ": " + Texts(arguments, group));
    first = i;
  }
}

void Print(const std::string& line) { WriteReportLine(line); }

// "1 argument", "2 arguments".
std::string Counted(int count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// The line as the start pass reads it: every token, the counted arguments
// and those behind the first empty one.
struct ReadLine {
  std::vector<std::string> tokens;
  int count = 0;        // The arguments counted.
  bool starts = false;  // Enough of them to start programs.
};

ReadLine ReadTheLine() {
  ReadLine line;
  line.count = CommandArgumentCount();
  const int tokens = std::max(CommandTokenCount(), line.count + 1);
  line.tokens.reserve(static_cast<std::size_t>(tokens));
  for (int i = 0; i < tokens; ++i) {
    line.tokens.push_back(CommandArgument(i));
  }
  line.starts = line.count >= kLeastArguments;
  return line;
}

// What is not started, in the order of the arguments, and how many
// arguments that leaves out.
struct NotStarted {
  std::vector<std::string> lines;
  int arguments = 0;
};

// Which arguments each command came from, and what falls between them or
// after the last one.
NotStarted SpanCommands(const ReadLine& line,
                        const std::vector<PreviewedCommand>& commands,
                        std::vector<Span>* spans) {
  NotStarted dropped;
  int consumed = 0;
  for (const PreviewedCommand& c : commands) {
    const int first = FirstArgumentOf(c.line.substr(sizeof(ShellPrefix) - 1),
                                      c.lastArgument, line.tokens);
    if (first > consumed + 1) {
      DropGroups(line.tokens, {consumed + 1, first - 1}, first, &dropped.lines,
                 &dropped.arguments);
    }
    spans->push_back({first, c.lastArgument});
    consumed = c.lastArgument;
  }
  if (line.starts && consumed < line.count) {
    DropGroups(line.tokens, {consumed + 1, line.count}, 0, &dropped.lines,
               &dropped.arguments);
  }
  if (!line.starts) {
    dropped.lines.push_back(
        line.count == 0
            ? std::string("- no arguments: runabout would show its usage")
            : "- one argument alone: runabout would show its usage: " +
                  Texts(line.tokens, {1, 1}));
  }
  // Behind the first empty argument nothing is read.
  const Span unread = {line.count + 2,
                       static_cast<int>(line.tokens.size()) - 1};
  int words = 0;
  for (int i = unread.first; i <= unread.last; ++i) {
    words += line.tokens[static_cast<std::size_t>(i)].empty() ? 0 : 1;
  }
  if (words > 0) {
    dropped.arguments += words;
    dropped.lines.push_back(
        "- " + Arguments(unread) + ": never read, as argument " +
        std::to_string(line.count + 1) +
        " is empty and ends the arguments: " + Texts(line.tokens, unread));
  }
  return dropped;
}

void PrintCommands(const std::vector<PreviewedCommand>& commands,
                   const std::vector<Span>& spans) {
  Print("Commands, in the order runabout would hand them over:");
  for (std::size_t n = 0; n < commands.size(); ++n) {
    Print("Command " + std::to_string(n + 1) + ", from " + Arguments(spans[n]) +
          ":");
    Print(HandedOver(commands[n].line));
  }
  Print("");
}

void PrintNotStarted(const NotStarted& dropped) {
  Print("Not started:");
  if (dropped.lines.empty()) {
    Print("- nothing: every argument is part of a command");
  }
  for (const std::string& line : dropped.lines) {
    Print(line);
  }
}

// Prints each command's program and then the notes on what the interpreters
// read; returns how many programs are not found.
int PrintPrograms(const std::vector<PreviewedCommand>& commands) {
  Print("");
  Print("Programs:");
  Print(SearchOrder());
  int notFound = 0;
  std::vector<std::string> notes;
  for (std::size_t n = 0; n < commands.size(); ++n) {
    const std::string number = std::to_string(n + 1) + " ";
    const ProgramLookup program = LookUpProgram(commands[n].line);
    Print(number + program.text);
    notFound += program.found ? 0 : 1;
    const std::vector<std::string> found = OperatorNotes(commands[n].line);
    std::transform(found.begin(), found.end(), std::back_inserter(notes),
                   [&](const std::string& note) { return number + note; });
  }
  if (!notes.empty()) {
    Print("");
    Print("Read by the interpreters:");
    for (const std::string& note : notes) {
      Print(note);
    }
  }
  return notFound;
}

}  // namespace

int CheckMain() {
  const ReadLine line = ReadTheLine();
  if (line.starts) {
    StartPass();
  }
  const std::vector<PreviewedCommand>& commands = PreviewedCommands();
  std::vector<Span> spans;
  const NotStarted dropped = SpanCommands(line, commands, &spans);

  if (!commands.empty()) {
    PrintCommands(commands, spans);
  }
  PrintNotStarted(dropped);
  const int notFound = commands.empty() ? 0 : PrintPrograms(commands);

  Print("");
  if (!line.starts) {
    Print("runabout would show its usage and start nothing.");
    return kCheckUsage;
  }
  std::string summary = "runabout would start " +
                        Counted(static_cast<int>(commands.size()), "command");
  if (dropped.arguments > 0) {
    summary +=
        "; " + Counted(dropped.arguments, "argument") + " would be dropped";
  }
  if (notFound > 0) {
    summary += "; " + Counted(notFound, "program") +
               (notFound == 1 ? " is" : " are") + " not found";
  }
  Print(summary + ".");
  return dropped.lines.empty() && notFound == 0 ? kCheckClean : kCheckProblem;
}
