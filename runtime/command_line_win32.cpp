// Windows command line: the raw line in the process's ANSI code page, taken
// once from GetCommandLineW, as a process's command line never changes.
#include <windows.h>

#include <string>

#include "runtime/command_line.h"

namespace {

std::string gCommandLine;

// `wide` in the ANSI code page, with best fit, as Windows makes the line that
// GetCommandLineA returns. That copy holds at most 65,535 bytes, and a line
// past it (21,846 characters of three bytes in UTF-8 are) comes back empty;
// this conversion has no such limit.
std::string AnsiText(const wchar_t* wide) {
  const int size =
      WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return std::string();
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();  // The terminating NUL; c_str() supplies one.
  return text;
}

}  // namespace

void StartCommandLine(int /*argc*/, char** /*argv*/) {
  gCommandLine = AnsiText(GetCommandLineW());
}

std::string CommandArgument(int index) {
  return ArgumentOfCommandLine(gCommandLine.c_str(), index);
}
