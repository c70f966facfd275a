// Platform-free part of the command line: the splitter and the count.
#include "runtime/command_line.h"

#include <cstddef>

namespace {

constexpr char kSpace = ' ';
constexpr char kQuote = '"';

// Reads the token that starts at `*cursor`, leaves `*cursor` just behind it,
// and returns where its bytes went in `out`. The rules, in full:
// - a double quote as the token's first byte opens quotes and is dropped;
// - inside quotes, a double quote closes them and is dropped, and every other
//   byte (the space included) belongs to the token;
// - outside quotes, a space ends the token and is consumed, and every other
//   byte (a double quote included) belongs to the token;
// - the terminating NUL ends the token and every token after it.
void ReadToken(const char** cursor, std::string* out) {
  const char* p = *cursor;
  bool inQuotes = false;
  out->clear();
  if (*p == kQuote) {
    inQuotes = true;
    ++p;
  }
  for (; *p != '\0'; ++p) {
    if (inQuotes) {
      if (*p == kQuote) {
        inQuotes = false;
      } else {
        out->push_back(*p);
      }
    } else if (*p == kSpace) {
      ++p;
      break;
    } else {
      out->push_back(*p);
    }
  }
  *cursor = p;
}

}  // namespace

std::string ArgumentOfCommandLine(const char* commandLine, int index) {
  std::string token;
  if (index < 0 || commandLine == nullptr) {
    return token;
  }
  const char* cursor = commandLine;
  ReadToken(&cursor, &token);
  for (int i = 0; i < index; ++i) {
    // At the terminating NUL every further token is empty: stopping there
    // keeps any index, INT_MAX included, to one pass over the line.
    if (*cursor == '\0') {
      token.clear();
      break;
    }
    ReadToken(&cursor, &token);
  }
  return token;
}

int TokenCountOfCommandLine(const char* commandLine) {
  if (commandLine == nullptr) {
    return 0;
  }
  std::string token;
  const char* cursor = commandLine;
  int count = 0;
  do {
    ReadToken(&cursor, &token);
    ++count;
  } while (*cursor != '\0');
  return count;
}

int CommandArgumentCount() {
  int k = 1;
  while (!CommandArgument(k).empty()) {
    ++k;
  }
  return k - 1;
}
