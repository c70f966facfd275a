// runabout.exe as released, under Windows: commands naming files with any
// Unicode characters reach the interpreter intact (the embedded manifest makes
// UTF-8 the process's ANSI code page), the version record reads back, and the
// banner's bytes are those of the plain program.
//
// This test program has the same manifest, so its own 8-bit text is UTF-8
// too. Each run copies runabout.exe into a fresh directory whose own name
// needs Unicode, where the recording stand-in, the system's cmd.exe here,
// writes down every line handed to it.
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/main.h"
#include "runtime/console.h"
#include "tests/expected_banner.h"
#include "tests/win32/e2e_support.h"

namespace {

// Wine now and then fails a process start on its own. A case whose records
// are only missing is run again, at most this often in all; a record that is
// wrong or out of order fails at once.
constexpr int kAttempts = 3;

class ReleasedProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    runabout_ = directory_.Copy(RUNABOUT_PATH, "runabout.exe");
    ASSERT_FALSE(runabout_.empty());
    e2e::RecordInterpretersIn(directory_.path());
  }

  // Runs the copied runabout.exe, named by its full quoted path, with
  // `arguments` behind it; standard output lands in `*output`.
  e2e::Outcome RunRunabout(const std::string& arguments, std::string* output) {
    std::string line = "\"" + runabout_ + "\"";
    if (!arguments.empty()) {
      line += " " + arguments;
    }
    return e2e::RunCapturingOutput(runabout_, line, directory_.path(), output);
  }

  // What the stand-in has recorded.
  [[nodiscard]] std::vector<e2e::Record> Records() const {
    return e2e::ReadRecords(directory_.path());
  }

  const e2e::ScratchDirectory directory_{"ユニコード-тест"};
  std::string runabout_;
};

struct UnicodeCase {
  const char* why;
  std::string arguments;  // The raw command line behind the program's path.
  std::vector<std::string> commands;  // What each started line carries.
};

TEST_F(ReleasedProgram, UnicodeCommandsReachTheInterpreterIntact) {
  // 21,841 characters of three bytes each take the line past 65,535 bytes,
  // where GetCommandLineA's copy of it comes back empty, and stay far within
  // the 32,767 characters a command line may have.
  std::string longArgument;
  for (int i = 0; i < 21841; ++i) longArgument += "日";
  const UnicodeCase cases[] = {
      {"Japanese and Cyrillic file names, one command each",
       "日本語.txt Привет.txt",
       {"日本語.txt", "Привет.txt"}},
      {"a quoted argument: the spaces and characters inside it stay",
       "\"notepad Документ 書類.txt\" calc.exe",
       {"notepad Документ 書類.txt", "calc.exe"}},
      {"a quoted group around a path with a space: multi-byte characters "
       "next to the quotes and spaces that split and group",
       "\"\"\"C:\\Мои документы\\メモ.txt\" Ωμέγα.exe",
       {"\"C:\\Мои документы\\メモ.txt\"", "Ωμέγα.exe"}},
      {"characters outside the Basic Multilingual Plane (surrogate pairs in "
       "UTF-16) and a combining accent",
       "😀.exe cafe\xcc\x81.exe 𝄞\\ñ.txt",
       {"😀.exe", "cafe\xcc\x81.exe", "𝄞\\ñ.txt"}},
      {"an argument of 65,523 bytes in UTF-8",
       longArgument + " b",
       {longArgument, "b"}},
  };
  for (const UnicodeCase& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<std::string> expected;
    for (const std::string& command : c.commands) {
      expected.push_back(ShellPrefix + command);
    }
    for (int attempt = 1;; ++attempt) {
      DeleteFileA((directory_.path() + "records.txt").c_str());
      std::string output;
      const e2e::Outcome run = RunRunabout(c.arguments, &output);
      ASSERT_TRUE(run.started);
      ASSERT_TRUE(run.ended) << "runabout.exe did not end";
      EXPECT_EQ(run.exitCode, static_cast<DWORD>(kExitStarted));
      EXPECT_EQ(output, "");
      std::vector<std::string> lines;
      std::string why;
      ASSERT_TRUE(e2e::HandedOverLines(Records(), &lines, &why)) << why;
      if (lines == expected) break;
      ASSERT_TRUE(e2e::OnlyStartsLost(lines, expected, attempt, kAttempts));
    }
  }
}

TEST_F(ReleasedProgram, BannerBytesOnAPipeAreUnchanged) {
  // No argument, and a single one that needs Unicode: both count below two.
  for (const char* arguments : {"", "日本語.exe"}) {
    SCOPED_TRACE(arguments);
    std::string output;
    const e2e::Outcome run = RunRunabout(arguments, &output);
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.ended) << "runabout.exe did not end";
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(kExitUsage));
    EXPECT_EQ(output, kExpectedBanner);
    EXPECT_TRUE(Records().empty()) << "nothing may be started";
  }
}

// Each program and the strings that tell its version record apart.
struct ReleasedFile {
  const char* path;
  const char* description;
  const char* fileName;
};

// The version record of a built program, read as Explorer reads it.
class VersionRecord : public testing::TestWithParam<ReleasedFile> {
 protected:
  static std::vector<char> Read() {
    const char* path = GetParam().path;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    std::vector<char> data(size);
    if (size == 0 || GetFileVersionInfoA(path, 0, size, data.data()) == FALSE) {
      data.clear();
    }
    return data;
  }
};

INSTANTIATE_TEST_SUITE_P(
    Programs, VersionRecord,
    testing::Values(
        ReleasedFile{RUNABOUT_PATH,
                     "Runabout - starts several programs with one command",
                     "runabout.exe"},
        ReleasedFile{RUNABOUTW_PATH,
                     "Runabout - starts several programs with one command, "
                     "without a console window",
                     "runaboutw.exe"}));

TEST_P(VersionRecord, FixedVersionsAreTheProgramVersion) {
  std::vector<char> data = Read();
  ASSERT_FALSE(data.empty()) << GetParam().fileName << " has no version record";
  void* found = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", &found, &size));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(found);
  ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  // Four numbers, the parts the version leaves out 0: "1.0" is 1,0,0,0, the
  // first two in the high word.
  std::vector<WORD> numbers;
  std::stringstream parts(ProgramVersion);
  for (std::string part; std::getline(parts, part, '.');) {
    numbers.push_back(static_cast<WORD>(std::stoi(part)));
  }
  ASSERT_LE(numbers.size(), 4u) << ProgramVersion;
  numbers.resize(4, 0);
  const auto high = static_cast<DWORD>(MAKELONG(numbers[1], numbers[0]));
  const auto low = static_cast<DWORD>(MAKELONG(numbers[3], numbers[2]));
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u)
      << "a release is no debug, pre-release or patched build";
}

TEST_P(VersionRecord, StringsReadBack) {
  std::vector<char> data = Read();
  ASSERT_FALSE(data.empty()) << GetParam().fileName << " has no version record";
  void* found = nullptr;
  UINT size = 0;
  ASSERT_TRUE(
      VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &found, &size));
  const auto* translation = static_cast<const WORD*>(found);
  ASSERT_GE(size, 2 * sizeof(WORD));
  EXPECT_EQ(translation[0], 0x0409) << "U.S. English";
  EXPECT_EQ(translation[1], 1200) << "Unicode strings";
  char block[64];
  wsprintfA(block, "\\StringFileInfo\\%04x%04x\\", translation[0],
            translation[1]);

  const struct {
    const char* name;
    std::string value;
  } strings[] = {
      {"ProductName", ProgramName},
      {"ProductVersion", ProgramVersion},
      {"FileVersion", ProgramVersion},
      {"FileDescription", GetParam().description},
      {"LegalCopyright", "Copyright (c) 2026 the Runabout developers"},
      {"OriginalFilename", GetParam().fileName},
  };
  for (const auto& s : strings) {
    SCOPED_TRACE(s.name);
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(
        data.data(), (std::string(block) + s.name).c_str(), &value, &length));
    EXPECT_EQ(std::string(static_cast<const char*>(value)), s.value);
  }
}

}  // namespace
