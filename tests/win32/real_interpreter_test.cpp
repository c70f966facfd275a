// Runabout under Wine with Wine's own cmd.exe: a program it names really
// starts, runs on in the background and outlives Runabout, and a command
// naming no program is passed over.
#include <gtest/gtest.h>

#include <string>

#include "tests/win32/e2e_support.h"

namespace {

constexpr int kAttempts = 3;
constexpr DWORD kStartLimitMilliseconds = 30000;
constexpr DWORD kFinishLimitMilliseconds = 60000;

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(RealInterpreter, ProgramRunsOnAfterRunaboutEndsAndMissingOneIsSkipped) {
  const std::string program = e2e::ProgramFromEnvironment("RUNABOUT_PROGRAM");
  ASSERT_FALSE(program.empty()) << "RUNABOUT_PROGRAM is not set";
  // The interpreter's complaint about the missing program goes nowhere.
  const e2e::StandardHandles& handles = e2e::NulHandles();
  ASSERT_NE(handles.output, INVALID_HANDLE_VALUE);

  for (int attempt = 1;; ++attempt) {
    e2e::ScratchDirectory directory;
    const std::string runabout = directory.Copy(program, "runabout.exe");
    ASSERT_FALSE(runabout.empty());
    ASSERT_TRUE(directory.CopyHelper("marker.exe"));

    // The marker waits for go.txt, so Runabout can only have ended before
    // it finished: if it waited for the program, it would never end.
    const e2e::Outcome outcome =
        e2e::Run(runabout, "runabout.exe no-such-program.exe marker.exe",
                 directory.path(), &handles);
    ASSERT_TRUE(outcome.started);
    ASSERT_TRUE(outcome.ended) << "Runabout waited for the program";
    EXPECT_EQ(outcome.exitCode, 0u);
    ASSERT_FALSE(Exists(directory.path() + "done.txt"));

    const std::string started = directory.path() + "started.txt";
    if (e2e::WaitUntil([&] { return Exists(started); },
                       kStartLimitMilliseconds)) {
      const HANDLE go =
          CreateFileA((directory.path() + "go.txt").c_str(), GENERIC_WRITE, 0,
                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(go, INVALID_HANDLE_VALUE);
      CloseHandle(go);
      const std::string done = directory.path() + "done.txt";
      EXPECT_TRUE(e2e::WaitUntil([&] { return Exists(done); },
                                 kFinishLimitMilliseconds))
          << "the program started but never finished";
      break;
    }
    // The marker never started: a start Wine lost, or a real fault that
    // the last attempt reports.
    ASSERT_LT(attempt, kAttempts) << "the program never started";
  }
}

}  // namespace
