// Windows: how cmd.exe reads a command and finds its program. The first
// interpreter reads the whole line (`cmd /C start /B cmd /C COMMAND`); the
// second runs COMMAND after `cmd /C`'s quote rule (`cmd /?`), and looks for a
// program named without a path in the current folder, unless the variable
// NoDefaultCurrentDirectoryInExePath is set, and then in the folders of PATH,
// trying the extensions of PATHEXT in each. `start` looks a program up the
// same way, and then under App Paths.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "app/main.h"
#include "check/reading.h"
#include "runtime/preview.h"

namespace {

constexpr char kQuote = '"';

// Where the guide states the rule that both interpreters read these.
constexpr char kGuideRule[] =
    "docs/guide.md#how-a-command-reaches-the-program-on-windows";

// The commands cmd runs itself, as its `help` lists them.
constexpr const char* kBuiltIns[] = {
    "ASSOC",  "BREAK",    "CALL",   "CD",    "CHDIR", "CLS",    "COLOR",
    "COPY",   "DATE",     "DEL",    "DIR",   "DPATH", "ECHO",   "ENDLOCAL",
    "ERASE",  "EXIT",     "FOR",    "FTYPE", "GOTO",  "IF",     "KEYS",
    "MD",     "MKDIR",    "MKLINK", "MOVE",  "PATH",  "PAUSE",  "POPD",
    "PROMPT", "PUSHD",    "RD",     "REM",   "REN",   "RENAME", "RMDIR",
    "SET",    "SETLOCAL", "SHIFT",  "START", "TIME",  "TITLE",  "TYPE",
    "VER",    "VERIFY",   "VOL"};

// What cmd tries when PATHEXT is not set.
constexpr char kDefaultExtensions[] = ".COM;.EXE;.BAT;.CMD";

// Characters that keep `cmd /C` from keeping a command's quotes (`cmd /?`).
constexpr char kQuoteBreakers[] = "&<>()@^|";

// The operators the interpreters read outside double quotes.
constexpr char kOperators[] = "&|<>^";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Upper(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return text;
}

// The parts of a `;` list such as PATH, without empty ones, each without the
// double quotes that may surround it.
std::vector<std::string> ListOf(const std::string& list) {
  std::vector<std::string> parts;
  std::string part;
  bool quoted = false;
  for (const char c : list + ";") {
    if (c == kQuote) {
      quoted = !quoted;
    } else if (c == ';' && !quoted) {
      if (!part.empty()) {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += c;
    }
  }
  return parts;
}

std::string Variable(const char* name) {
  std::string value;
  EnvironmentVariable(name, &value);
  return value;
}

bool SearchesCurrentFolder() {
  std::string ignored;
  return !EnvironmentVariable("NoDefaultCurrentDirectoryInExePath", &ignored);
}

std::vector<std::string> Extensions() {
  std::string value;
  if (!EnvironmentVariable("PATHEXT", &value) || ListOf(value).empty()) {
    value = kDefaultExtensions;
  }
  return ListOf(value);
}

bool HasFolder(const std::string& name) {
  return name.find_first_of("\\/:") != std::string::npos;
}

bool HasExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos &&
         name.find_first_of("\\/", dot) == std::string::npos;
}

// The file cmd runs for `name` beside `prefix` (a folder and its backslash,
// or nothing): the name as it stands when it has an extension, then the
// name with each extension of PATHEXT in turn. Empty if there is none.
std::string FileFor(const std::string& prefix, const std::string& name) {
  const std::string base = prefix + name;
  std::vector<std::string> candidates;
  if (HasExtension(name)) {
    candidates.push_back(base);
  }
  const std::vector<std::string> extensions = Extensions();
  std::transform(
      extensions.begin(), extensions.end(), std::back_inserter(candidates),
      [&](const std::string& extension) { return base + extension; });
  for (const std::string& candidate : candidates) {
    std::string file = ProgramFileAt(candidate);
    if (!file.empty()) {
      return file;
    }
  }
  return std::string();
}

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
    folder += '\\';
  }
  return folder;
}

// Where cmd finds the program `name`: its file, and "" for a path, "in the
// current folder" or "on PATH" for a name it searched for. An empty file if
// it finds none.
struct Found {
  std::string file;
  const char* where = "";
};

Found Find(const std::string& name) {
  if (HasFolder(name)) {
    return {FileFor("", name)};
  }
  if (SearchesCurrentFolder()) {
    const std::string file = FileFor(WithBackslash(FullPathOf(".")), name);
    if (!file.empty()) {
      return {file, "in the current folder"};
    }
  }
  for (const std::string& folder : ListOf(Variable("PATH"))) {
    const std::string file = FileFor(WithBackslash(folder), name);
    if (!file.empty()) {
      return {file, "on PATH"};
    }
  }
  return {};
}

// What the second interpreter runs of `command`, with `cmd /C`'s quote rule:
// the quotes stay when there are exactly two, with a blank and none of
// &<>()@^| between them, and the text between names a program; otherwise a
// leading quote goes, and so does the last quote of the command. `*why` says,
// when quotes go, what kept them from staying.
std::string AfterQuoteRule(const std::string& command, std::string* why) {
  why->clear();
  if (command.empty() || command.front() != kQuote) {
    return command;
  }
  const std::size_t close = command.find(kQuote, 1);
  const std::string between = command.substr(
      1, close == std::string::npos ? std::string::npos : close - 1);
  if (std::count(command.begin(), command.end(), kQuote) != 2) {
    *why = "it holds other than two double quotes";
  } else if (between.find_first_of(kQuoteBreakers) != std::string::npos) {
    *why = "one of & < > ( ) @ ^ | stands between them";
  } else if (std::none_of(between.begin(), between.end(), IsBlank)) {
    *why = "no space stands between them";
  } else if (Find(between).file.empty()) {
    *why = "they hold no program that cmd finds";
  } else {
    return command;
  }
  std::string text = command.substr(1);
  const std::size_t last = text.rfind(kQuote);
  if (last != std::string::npos) {
    text.erase(last, 1);
  }
  return text;
}

// The first word of `text` as cmd reads a command's name: in double quotes,
// or up to a blank or an operator. `*rest` gets what follows it.
std::string FirstWord(const std::string& text, std::string* rest) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) {
    ++at;
  }
  std::size_t end = at;
  std::string word;
  if (at < text.size() && text[at] == kQuote) {
    end = text.find(kQuote, at + 1);
    word = text.substr(
        at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    end = end == std::string::npos ? text.size() : end + 1;
  } else {
    while (end < text.size() && !IsBlank(text[end]) &&
           std::string("&|<>()").find(text[end]) == std::string::npos) {
      ++end;
    }
    word = text.substr(at, end - at);
  }
  *rest = text.substr(end);
  return word;
}

bool IsBuiltIn(const std::string& word) {
  const std::string upper = Upper(word);
  return std::any_of(std::begin(kBuiltIns), std::end(kBuiltIns),
                     [&](const char* name) { return upper == name; });
}

// Why `word` cannot be looked up before the interpreters have read it; empty
// if it can.
std::string Unreadable(const std::string& word) {
  if (word.find('%') != std::string::npos) {
    return "not looked up: both interpreters replace %NAME% in it first";
  }
  if (word.find('^') != std::string::npos) {
    return "not looked up: the interpreters read its ^ first";
  }
  if (word.find(kQuote) != std::string::npos) {
    return "not looked up: it holds a double quote";
  }
  return std::string();
}

// What `start` finds for the rest of its line: it takes a first quoted text as
// its window's title, then its own switches, then the program, which it
// looks up as cmd does and then under App Paths.
ProgramLookup LookUpStart(std::string rest) {
  std::size_t at = rest.find_first_not_of(" \t");
  if (at != std::string::npos && rest[at] == kQuote) {
    const std::size_t close = rest.find(kQuote, at + 1);
    rest = close == std::string::npos ? std::string() : rest.substr(close + 1);
  }
  std::string word = FirstWord(rest, &rest);
  while (!word.empty() && word.front() == '/') {
    const std::string option = Upper(word);
    if (option == "/D" || option == "/NODE" || option == "/AFFINITY") {
      FirstWord(rest, &rest);  // Its value.
    }
    word = FirstWord(rest, &rest);
  }
  if (word.empty()) {
    return {"start: a built-in command of cmd", true};
  }
  const std::string name = "start " + word + ": ";
  const std::string unreadable = Unreadable(word);
  if (!unreadable.empty()) {
    return {name + unreadable, true};
  }
  const std::size_t colon = word.find(':');
  if (colon != std::string::npos && colon != 1) {
    return {name +
                "an address: start opens it with the program registered "
                "for it; not looked up",
            true};
  }
  const Found found = Find(word);
  if (!found.file.empty()) {
    return {name + "found " + (*found.where != '\0' ? found.where : "") +
                (*found.where != '\0' ? ": " : "") + found.file,
            true};
  }
  if (IsFolder(word)) {
    return {name + "a folder: start opens it", true};
  }
  const std::string registered = AppPathsProgram(word);
  if (!registered.empty()) {
    const std::string file = ProgramFileAt(registered);
    if (!file.empty()) {
      return {name + "found through App Paths: " + file, true};
    }
    return {name + "App Paths names " + registered + ", which is not there",
            false};
  }
  return {name + "not found, neither by cmd's search nor under App Paths",
          false};
}

}  // namespace

std::string SearchOrder() {
  std::string order = "cmd looks for a program named without a path ";
  if (SearchesCurrentFolder()) {
    order += "in the current folder, " + FullPathOf(".") +
             ", first (NoDefaultCurrentDirectoryInExePath is not set), then "
             "in the folders of PATH";
  } else {
    order +=
        "in the folders of PATH alone (NoDefaultCurrentDirectoryInExePath "
        "is set, so not in the current folder)";
  }
  std::string extensions;
  for (const std::string& extension : Extensions()) {
    extensions += (extensions.empty() ? "" : ";") + extension;
  }
  return order + ", with the extensions " + extensions + ".";
}

ProgramLookup LookUpProgram(const std::string& line) {
  std::string why;
  std::string command =
      AfterQuoteRule(line.substr(sizeof(ShellPrefix) - 1), &why);
  // cmd runs a command behind @, which only keeps it from being echoed, as
  // the command alone; a ( opens a block of commands.
  command.erase(0, std::min(command.find_first_not_of(" \t@"), command.size()));
  if (!command.empty() && command.front() == '(') {
    return {"(: a block of commands in parentheses; not looked up", true};
  }
  std::string rest;
  const std::string word = FirstWord(command, &rest);
  if (word.empty()) {
    return {"no program: the command names none", false};
  }
  const std::string name = word + ": ";
  // The reason cmd /C dropped the quotes, where that changed the program.
  const std::string dropped =
      why.empty() ? ""
                  : " (cmd /C drops the outer double quotes, as " + why + ")";
  const std::string unreadable = Unreadable(word);
  if (!unreadable.empty()) {
    return {name + unreadable + dropped, true};
  }
  if (IsBuiltIn(word)) {
    if (Upper(word) == "START") {
      return LookUpStart(rest);
    }
    return {name + "a built-in command of cmd", true};
  }
  const Found found = Find(word);
  if (HasFolder(word)) {
    if (found.file.empty()) {
      return {name + "a path; not found" + dropped, false};
    }
    return {name + "a path; found: " + found.file, true};
  }
  if (!found.file.empty()) {
    return {name + "found " + found.where + ": " + found.file, true};
  }
  const std::string registered = AppPathsProgram(word);
  if (!registered.empty()) {
    return {name + "not found by cmd's search; App Paths knows it as " +
                registered + ": write it as \"start " + word + " ...\"",
            false};
  }
  return {name + "not found" + dropped, false};
}

std::vector<std::string> OperatorNotes(const std::string& line) {
  const std::string command = line.substr(sizeof(ShellPrefix) - 1);
  // The operators the first interpreter reads, outside the command's double
  // quotes, and those the second reads as well, outside the quotes that
  // cmd /C leaves.
  const auto operators = [](const std::string& text) {
    std::string found;
    bool quoted = false;
    for (const char c : text) {
      if (c == kQuote) {
        quoted = !quoted;
      } else if (!quoted &&
                 std::string(kOperators).find(c) != std::string::npos &&
                 found.find(c) == std::string::npos) {
        found += c;
      }
    }
    return found;
  };
  const auto listed = [](const std::string& characters) {
    std::string list;
    for (std::size_t i = 0; i < characters.size(); ++i) {
      list += i == 0 ? "" : i + 1 == characters.size() ? " and " : ", ";
      list += characters[i];
    }
    return list;
  };
  const std::string first = operators(command);
  std::string why;
  std::string second;
  for (const char c : operators(AfterQuoteRule(command, &why))) {
    if (first.find(c) == std::string::npos) {
      second += c;
    }
  }
  const std::string see = std::string(" (") + kGuideRule + ")";
  std::vector<std::string> notes;
  if (!first.empty()) {
    notes.push_back("holds " + listed(first) +
                    " outside double quotes: two interpreters read them, "
                    "first the one that runs start, then the one that runs "
                    "the command" +
                    see);
  }
  if (!second.empty()) {
    notes.push_back("holds " + listed(second) +
                    " inside the outer double quotes that cmd /C drops: the "
                    "interpreter that runs the command reads them" +
                    see);
  }
  if (command.find('%') != std::string::npos) {
    notes.push_back(
        "holds %: both interpreters replace %NAME%, where NAME is a variable "
        "that is set, inside double quotes too" +
        see);
  }
  return notes;
}
