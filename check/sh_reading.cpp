// POSIX: how /bin/sh finds the program a command names. The shell looks for a
// name without a slash among its own commands and then in the folders of
// PATH; a name with a slash is a path to the file itself.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "check/reading.h"
#include "runtime/interpreter.h"
#include "runtime/preview.h"

namespace {

// The commands that POSIX has every shell run itself: the special built-ins
// and those a shell must build in to work at all, with the few that dash and
// bash, the usual /bin/sh, both build in as well.
constexpr const char* kBuiltIns[] = {
    ".",       ":",        "[",    "alias",    "bg",     "break",  "cd",
    "command", "continue", "echo", "eval",     "exec",   "exit",   "export",
    "false",   "fc",       "fg",   "getopts",  "hash",   "jobs",   "kill",
    "printf",  "pwd",      "read", "readonly", "return", "set",    "shift",
    "test",    "times",    "trap", "true",     "type",   "ulimit", "umask",
    "unalias", "unset",    "wait"};

// Words of the shell's own grammar.
constexpr const char* kKeywords[] = {
    "!",    "{",  "}",   "case", "do", "done", "elif",  "else",
    "esac", "fi", "for", "if",   "in", "then", "until", "while"};

// Characters that the shell reads in a word before it names a program:
// quotes, escapes, expansions, patterns, and = of an assignment.
constexpr char kExpanded[] = "'\"\\$`*?[~=";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

template <std::size_t N>
bool IsOneOf(const std::string& word, const char* const (&list)[N]) {
  return std::any_of(std::begin(list), std::end(list),
                     [&](const char* entry) { return word == entry; });
}

// The next word of `text` from `*at`, up to a blank or an operator.
std::string NextWord(const std::string& text, std::size_t* at) {
  std::size_t p = *at;
  while (p < text.size() && IsBlank(text[p])) {
    ++p;
  }
  const std::size_t start = p;
  while (p < text.size() && !IsBlank(text[p]) &&
         std::string(";&|<>()").find(text[p]) == std::string::npos) {
    ++p;
  }
  *at = p;
  return text.substr(start, p - start);
}

std::vector<std::string> Folders() {
  std::string path;
  std::vector<std::string> folders;
  if (!EnvironmentVariable("PATH", &path)) {
    return folders;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = path.find(':', start);
    const std::string folder = path.substr(
        start, colon == std::string::npos ? std::string::npos : colon - start);
    folders.push_back(folder.empty() ? "." : folder);  // Empty: the current.
    if (colon == std::string::npos) {
      return folders;
    }
    start = colon + 1;
  }
}

// The first program file named `word` in the folders of PATH; empty if none.
std::string OnPath(const std::string& word) {
  for (const std::string& folder : Folders()) {
    std::string candidate = folder + '/';
    candidate += word;
    std::string file = ProgramFileAt(candidate);
    if (!file.empty()) {
      return file;
    }
  }
  return std::string();
}

}  // namespace

std::string SearchOrder() {
  std::string path;
  if (!EnvironmentVariable("PATH", &path)) {
    return "PATH is not set: the shell looks for a program named without a "
           "slash in a default of its own.";
  }
  return "The shell looks for a program named without a slash in the folders "
         "of PATH: " +
         path;
}

ProgramLookup LookUpProgram(const std::string& line) {
  const std::string text = ReadInterpreterStages(line).shellText;
  std::size_t at = 0;
  std::string word = NextWord(text, &at);
  std::string prefix;
  if (word == "exec") {  // exec runs the program that follows it.
    const std::string program = NextWord(text, &at);
    if (!program.empty()) {
      prefix = "exec ";
      word = program;
    }
  }
  if (word.empty() && at < text.size() && text[at] == '(') {
    return {"(: a subshell; not looked up", true};
  }
  const std::string name = prefix + word + ": ";
  if (word.empty()) {
    return {"no program: the command names none", false};
  }
  if (word.find_first_of(kExpanded) != std::string::npos ||
      word.front() == '#') {
    return {name +
                "not looked up: the shell reads its quotes, expansions "
                "or assignment first",
            true};
  }
  if (IsOneOf(word, kKeywords)) {
    return {name + "a word of the shell's own grammar; not looked up", true};
  }
  if (prefix.empty() && IsOneOf(word, kBuiltIns)) {
    return {name + "a built-in command of the shell", true};
  }
  if (word.find('/') != std::string::npos) {
    const std::string file = ProgramFileAt(word);
    if (!file.empty()) {
      return {name + "a path; found: " + file, true};
    }
    return {name + "a path; no program there that may be run", false};
  }
  const std::string file = OnPath(word);
  if (!file.empty()) {
    return {name + "found on PATH: " + file, true};
  }
  return {name + "not found", false};
}

std::vector<std::string> OperatorNotes(const std::string& /*line*/) {
  return {};
}
