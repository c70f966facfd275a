// Runabout's usage text and exit status under Wine: the exact bytes on
// standard output, and status 2 whatever standard output turns out to be.
#include <gtest/gtest.h>

#include <string>

#include "tests/expected_banner.h"
#include "tests/win32/e2e_support.h"

namespace {

// A directory with Runabout, where the recording stand-in cmd.exe would
// record; it must stay unused: the usage text starts nothing.
class UsageRun : public testing::Test {
 protected:
  void SetUp() override {
    const std::string program = e2e::ProgramFromEnvironment("RUNABOUT_PROGRAM");
    ASSERT_FALSE(program.empty()) << "RUNABOUT_PROGRAM is not set";
    runabout_ = directory_.Copy(program, "runabout.exe");
    ASSERT_FALSE(runabout_.empty());
    e2e::RecordInterpretersIn(directory_.path());
  }

  void TearDown() override {
    EXPECT_TRUE(e2e::ReadRecords(directory_.path()).empty())
        << "the usage text started an interpreter";
  }

  e2e::ScratchDirectory directory_;
  std::string runabout_;
};

TEST_F(UsageRun, ExactBannerAndStatusTwoForTooFewArguments) {
  const char* const commandLines[] = {
      "runabout.exe",
      "runabout.exe calc.exe",
      "runabout.exe \"\" a b",
      "runabout.exe calc.exe ",
  };
  for (const char* commandLine : commandLines) {
    SCOPED_TRACE(commandLine);
    std::string output;
    const e2e::Outcome outcome = e2e::RunCapturingOutput(
        runabout_, commandLine, directory_.path(), &output);
    ASSERT_TRUE(outcome.started);
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.exitCode, 2u);
    EXPECT_EQ(output, kExpectedBanner);
  }
}

TEST_F(UsageRun, StatusTwoWhenStandardOutputIsUnusable) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  // Wine serves the Unix root as drive Z:; writing to /dev/full fails.
  const HANDLE full =
      CreateFileA("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_WRITE,
                  &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(full, INVALID_HANDLE_VALUE);
  HANDLE reader = nullptr;
  HANDLE orphaned = nullptr;
  ASSERT_TRUE(CreatePipe(&reader, &orphaned, &inheritable, 0));
  CloseHandle(reader);
  // Both must refuse a write, or the cases below would test nothing.
  DWORD written = 0;
  ASSERT_FALSE(WriteFile(full, "x", 1, &written, nullptr));
  ASSERT_FALSE(WriteFile(orphaned, "x", 1, &written, nullptr));

  struct {
    const char* why;
    HANDLE output;
  } const cases[] = {
      {"no handle", nullptr},
      {"an invalid handle", INVALID_HANDLE_VALUE},
      {"a full device", full},
      {"a pipe whose reader has gone", orphaned},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const e2e::StandardHandles handles = {GetStdHandle(STD_INPUT_HANDLE),
                                          c.output,
                                          GetStdHandle(STD_ERROR_HANDLE)};
    const e2e::Outcome outcome =
        e2e::Run(runabout_, "runabout.exe", directory_.path(), &handles);
    ASSERT_TRUE(outcome.started);
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.exitCode, 2u);
  }
  CloseHandle(orphaned);
  CloseHandle(full);
}

}  // namespace
