#include "tests/recording_runtime.h"

#include "runtime/command_line.h"
#include "runtime/console.h"
#include "runtime/process.h"

namespace {

bool gUseRawLine = false;
std::string gRawLine;
std::vector<std::string> gArguments;
std::vector<std::string> gStartedLines;
std::string gOutput;

void ClearRecords() {
  gStartedLines.clear();
  gOutput.clear();
}

}  // namespace

namespace recording {

void UseRawCommandLine(const std::string& line) {
  gUseRawLine = true;
  gRawLine = line;
  ClearRecords();
}

void UseArguments(const std::vector<std::string>& arguments) {
  gUseRawLine = false;
  gArguments = arguments;
  ClearRecords();
}

const std::vector<std::string>& StartedLines() { return gStartedLines; }

const std::string& Output() { return gOutput; }

}  // namespace recording

void StartCommandLine(int /*argc*/, char** /*argv*/) {}

std::string CommandArgument(int index) {
  if (gUseRawLine) {
    return ArgumentOfCommandLine(gRawLine.c_str(), index);
  }
  if (index < 0 || static_cast<std::size_t>(index) >= gArguments.size()) {
    return std::string();
  }
  return gArguments[static_cast<std::size_t>(index)];
}

bool RunAndWait(const std::string& commandLine) {
  gStartedLines.push_back(commandLine);
  return true;
}

void StartConsole() {}

void PrintLine(const std::string& text) {
  gOutput += text;
  gOutput += "\r\n";
}

void FatalError(int number) { throw recording::FatalErrorRaised{number}; }
