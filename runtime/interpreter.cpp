// Platform-free reading of interpreter lines; the POSIX runner acts on it.
#include "runtime/interpreter.h"

#include <cctype>
#include <cstddef>
#include <utility>

namespace {

constexpr char kQuote = '"';

// Whether `text` at `*pos` starts with `word` (ASCII, case-insensitive) and
// the word ends there: at a space or at the end. On a match `*pos` moves past
// the word and the spaces after it.
bool TakeWord(const std::string& text, std::size_t* pos, const char* word) {
  std::size_t p = *pos;
  for (; *word != '\0'; ++word, ++p) {
    if (p >= text.size() ||
        std::tolower(static_cast<unsigned char>(text[p])) !=
            std::tolower(static_cast<unsigned char>(*word))) {
      return false;
    }
  }
  if (p < text.size() && text[p] != ' ') {
    return false;
  }
  while (p < text.size() && text[p] == ' ') {
    ++p;
  }
  *pos = p;
  return true;
}

// `cmd /C` keeps a quoted command whole by dropping its first quote and the
// last quote in the text; the quotes between stay.
std::string DropOuterQuotes(std::string text) {
  if (text.empty() || text.front() != kQuote) {
    return text;
  }
  text.erase(0, 1);
  const std::size_t last = text.rfind(kQuote);
  if (last != std::string::npos) {
    text.erase(last, 1);
  }
  return text;
}

// The command that `cmd /C` in front of `line` runs, quotes read as that
// interpreter reads them; false if `line` is not a `cmd /C` line.
bool TakeInterpreter(const std::string& line, std::string* command) {
  std::size_t pos = 0;
  if (!TakeWord(line, &pos, "cmd") || !TakeWord(line, &pos, "/C")) {
    return false;
  }
  *command = DropOuterQuotes(line.substr(pos));
  return true;
}

}  // namespace

InterpreterStages ReadInterpreterStages(const std::string& line) {
  InterpreterStages stages;
  if (!TakeInterpreter(line, &stages.shellText)) {
    stages.shellText = line;
    return stages;
  }
  std::size_t rest = 0;
  if (TakeWord(stages.shellText, &rest, "start") &&
      TakeWord(stages.shellText, &rest, "/B")) {
    stages.backgroundStarts = 1;
    std::string started = stages.shellText.substr(rest);
    // The second interpreter runs its command as it stands: a `start /B` of
    // the user's is a program of the user's, not another background start.
    if (!TakeInterpreter(started, &stages.shellText)) {
      stages.shellText = std::move(started);
    }
  }
  return stages;
}
