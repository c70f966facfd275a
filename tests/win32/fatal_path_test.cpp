// The out-of-memory path end to end under Wine: the real program, built with
// an allocator that fails from allocation N on, with the recording stand-in
// as the system's cmd.exe. For N = 1, 2, ... each run ends with status 3 having
// handed over only what it had before the failure, until N is high enough for a
// full run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "tests/win32/e2e_support.h"

namespace {

constexpr char kPrefix[] = "cmd /C start /B cmd /C ";
constexpr int kAttempts = 3;
constexpr int kMostAllocations = 400;

// Whether `part` is the start of `whole`.
bool IsPrefix(const std::vector<std::string>& part,
              const std::vector<std::string>& whole) {
  return part.size() <= whole.size() &&
         std::equal(part.begin(), part.end(), whole.begin());
}

TEST(FatalPath, FailedAllocationEndsWithStatusThreeAndStartsNothingMore) {
  const std::string program =
      e2e::ProgramFromEnvironment("RUNABOUT_FAILING_ALLOCATION_PROGRAM");
  ASSERT_FALSE(program.empty())
      << "RUNABOUT_FAILING_ALLOCATION_PROGRAM is not set";
  // Every text here is longer than 15 bytes, so none fits in a string's
  // own buffer and each one built must allocate.
  const std::string commandLine =
      "runabout.exe first-program-name.exe \"\"\"grouped-program.exe "
      "its-own-argument\" last-program-name.exe";
  const std::vector<std::string> expected = {
      std::string(kPrefix) + "first-program-name.exe",
      std::string(kPrefix) + "\"grouped-program.exe its-own-argument\"",
      std::string(kPrefix) + "last-program-name.exe"};

  std::set<std::size_t> cutShortAfter;  // Hand-offs made by failed runs.
  bool completed = false;
  for (int failAt = 1; failAt <= kMostAllocations && !completed; ++failAt) {
    SCOPED_TRACE("allocation " + std::to_string(failAt) + " fails");
    SetEnvironmentVariableA("RUNABOUT_FAIL_ALLOCATION",
                            std::to_string(failAt).c_str());
    for (int attempt = 1;; ++attempt) {
      const e2e::RecordedRun run =
          e2e::RunWithRecordingCmd(program, commandLine);
      const e2e::Outcome& outcome = run.outcome;
      const std::vector<std::string>& lines = run.lines;
      ASSERT_TRUE(outcome.started) << run.why;
      ASSERT_TRUE(outcome.ended) << "Runabout never ended";
      ASSERT_TRUE(outcome.exitCode == 3 || outcome.exitCode == 0)
          << "exit status " << outcome.exitCode;
      EXPECT_EQ(run.output, "");
      ASSERT_TRUE(run.inOrder) << run.why;
      // A failed run may have handed over any first part of the commands,
      // a full run all of them. Anything else in order is a lost start.
      if (outcome.exitCode == 3 ? IsPrefix(lines, expected)
                                : lines == expected) {
        if (outcome.exitCode == 3) {
          cutShortAfter.insert(lines.size());
        }
        completed = outcome.exitCode == 0;
        break;
      }
      ASSERT_TRUE(e2e::OnlyStartsLost(lines, expected, attempt, kAttempts));
    }
  }
  SetEnvironmentVariableA("RUNABOUT_FAIL_ALLOCATION", nullptr);
  EXPECT_TRUE(completed) << "no run completed within " << kMostAllocations
                         << " allocations";
  // Runs failed before the first hand-off and after each one but the last,
  // so every stage of the pass was cut short at least once.
  for (std::size_t made = 0; made < expected.size(); ++made) {
    EXPECT_EQ(cutShortAfter.count(made), 1u) << made << " hand-offs";
  }
}

}  // namespace
