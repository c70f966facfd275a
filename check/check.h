// runabout-check: reads a line as Runabout would, through Runabout's own start
// pass, and reports what it would hand over, what it would drop and which
// program each command would find. It starts nothing.
#pragma once

#include <string>
#include <vector>

/// Exit statuses of a check.
inline constexpr int kCheckClean = 0;    ///< All starts; every program found.
inline constexpr int kCheckProblem = 1;  ///< Something dropped, or not found.
inline constexpr int kCheckUsage = 2;    ///< Runabout would show its usage.

/// One line that the start pass handed to the runner, and the argument it had
/// read last when it did.
struct PreviewedCommand {
  std::string line;
  int lastArgument;
};

/// Every line handed to the runner since the process began, in order. The
/// runner runabout-check links in place of Runabout's notes them down and
/// starts nothing.
const std::vector<PreviewedCommand>& PreviewedCommands();

/// Checks the command line and prints the report. Returns the exit status.
int CheckMain();
