// The Windows programs' own stack guard, in a helper built with it: seeded
// anew for every process, and checked, so that a frame whose buffer ran over
// ends the process as a stack overrun.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "tests/win32/e2e_support.h"

namespace {

TEST(StackGuard, SeededForEveryProcess) {
  const e2e::ScratchDirectory dir("stack-guard");
  ASSERT_TRUE(dir.CopyHelper("stack_smasher.exe"));
  std::set<unsigned long long> guards;
  for (int run = 0; run < 3; ++run) {
    std::string printed;
    const e2e::Outcome outcome =
        e2e::RunCapturingOutput(dir.path() + "stack_smasher.exe",
                                "stack_smasher.exe", dir.path(), &printed);
    ASSERT_TRUE(outcome.ended);
    ASSERT_EQ(outcome.exitCode, 0u);
    const unsigned long long guard = std::stoull(printed, nullptr, 16);
    EXPECT_NE(guard, 0x2B992DDFA232u) << "the value before seeding";
    EXPECT_EQ(guard & 0xFF, 0u) << printed << " ends in no zero byte";
    guards.insert(guard);
  }
  EXPECT_EQ(guards.size(), 3u) << "a guard came twice";
}

TEST(StackGuard, OverrunEndsTheProcess) {
  const e2e::ScratchDirectory dir("stack-guard");
  ASSERT_TRUE(dir.CopyHelper("stack_smasher.exe"));
  struct {
    const char* argument;
    DWORD exitCode;
  } const cases[] = {
      {"fits", 0},
      {"far-longer-than-eight-bytes-and-the-guard-beyond",
       static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN)},
  };
  for (const auto& c : cases) {
    std::string output;
    const e2e::Outcome outcome = e2e::RunCapturingOutput(
        dir.path() + "stack_smasher.exe",
        std::string("stack_smasher.exe ") + c.argument, dir.path(), &output);
    ASSERT_TRUE(outcome.ended) << c.argument;
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.argument;
  }
}

}  // namespace
