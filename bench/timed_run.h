// Running one program to its end and measuring what the run cost.
#pragma once

#include <string>
#include <vector>

/// What one timed run cost. `started` is false when the program could not be
/// started; the other fields are then zero.
struct RunCost {
  bool started = false;
  int exitStatus = 0;  ///< The program's exit status.
  double seconds = 0;  ///< Wall time from the start request to the end.
};

/// Starts `program` with `arguments` (each free of spaces and quotes), waits
/// for it to end and returns the wall time, measuring nothing else.
RunCost TimedRun(const std::string& program,
                 const std::vector<std::string>& arguments);

/// Starts `program` with `arguments` like TimedRun, waits for it to end and
/// returns its peak memory in MiB, as kPeakMemoryLabel says; negative when
/// the program could not be started or its memory could not be read.
double PeakMemoryRun(const std::string& program,
                     const std::vector<std::string>& arguments);

/// Says what PeakMemoryRun measures on this platform.
extern const char* const kPeakMemoryLabel;
