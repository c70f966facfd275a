// Platform-free reading of interpreter lines; the POSIX runner acts on it.
#include "runtime/interpreter.h"

#include <cctype>
#include <cstddef>

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

}  // namespace

InterpreterStep ReadInterpreterLine(const std::string& line) {
  std::size_t pos = 0;
  if (!TakeWord(line, &pos, "cmd") || !TakeWord(line, &pos, "/C")) {
    return {InterpreterStep::Action::kShell, line};
  }
  const std::string text = DropOuterQuotes(line.substr(pos));
  std::size_t rest = 0;
  if (TakeWord(text, &rest, "start") && TakeWord(text, &rest, "/B")) {
    return {InterpreterStep::Action::kBackground, text.substr(rest)};
  }
  return {InterpreterStep::Action::kShell, text};
}
