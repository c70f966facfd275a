// Console output and the fatal-error report.
#pragma once

#include <string>

/// The program's name: the banner's title and the fatal report's caption.
inline constexpr char ProgramName[] = "Runabout";

/// Fatal error number for memory that cannot be obtained; the process then
/// ends with status 3.
inline constexpr int kInsufficientMemory = 2;

/// Prepares standard output; called once at start-up, before anything is
/// written.
void StartConsole();

/// Writes `text` unchanged, then CR LF, straight to standard output. A failed
/// write is ignored.
void PrintLine(const std::string& text);

/// Writes `bytes` unchanged to standard output, as PrintLine writes a line.
/// A failed write is ignored.
void WriteOutput(const std::string& bytes);

/// Shows `text` to the user under the caption ProgramName and returns once
/// they have seen it: on Windows in a message box (false if none could be
/// shown), on POSIX as a line on standard error. Allocates nothing, so it
/// serves the fatal report too.
bool ShowMessage(const char* text);

/// Reports fatal error `number` to the user and ends the process with status
/// `number + 1`.
[[noreturn]] void FatalError(int number);

/// The message reported for fatal error `number`.
const char* FatalErrorMessage(int number);
