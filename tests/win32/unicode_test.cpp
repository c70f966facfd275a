// runabout.exe as released, under Windows: commands naming files with any
// Unicode characters reach the interpreter intact (the embedded manifest makes
// UTF-8 the process's ANSI code page), the version record reads back, and the
// banner's bytes are those of the plain program.
//
// Each run copies runabout.exe and a recording stand-in cmd.exe into a fresh
// directory whose own name needs Unicode; the stand-in writes down, in UTF-8,
// every line handed to it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/main.h"
#include "runtime/console.h"
#include "tests/expected_banner.h"

namespace {

// A run that has not ended by then has hung; nothing is timed.
constexpr DWORD kPatienceMilliseconds = 60000;

// Wine now and then fails a process start on its own. A case whose records
// are only missing is run again, at most this often in all; a record that is
// wrong or out of order fails at once.
constexpr int kAttempts = 3;

constexpr wchar_t kRecordName[] = L"unicode_record.txt";

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) {
    return std::wstring();
  }
  const int size = MultiByteToWideChar(
      CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      text.data(), size);
  return text;
}

struct Outcome {
  bool started = false;
  bool ended = false;
  DWORD status = 0;
  std::string out;  // Everything written to standard output.
};

// Bytes waiting in `pipe`, read without blocking.
std::string Drain(HANDLE pipe) {
  std::string bytes;
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) !=
             FALSE &&
         available > 0) {
    std::string chunk(available, '\0');
    DWORD read = 0;
    if (ReadFile(pipe, chunk.data(), available, &read, nullptr) == FALSE ||
        read == 0) {
      break;
    }
    bytes.append(chunk, 0, read);
  }
  return bytes;
}

// Starts `commandLine` with standard output into a pipe and standard input
// and error on NUL, and waits for it to end.
Outcome RunProgram(std::wstring commandLine, const std::wstring& directory) {
  Outcome run;
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (CreatePipe(&readEnd, &writeEnd, &inheritable, 1 << 16) == FALSE) {
    return run;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inheritable, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = writeEnd;
  startup.hStdError = nul;
  PROCESS_INFORMATION child;
  ZeroMemory(&child, sizeof(child));
  run.started =
      CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                     nullptr, directory.c_str(), &startup, &child) != FALSE;
  CloseHandle(writeEnd);
  CloseHandle(nul);
  if (run.started) {
    run.ended = WaitForSingleObject(child.hProcess, kPatienceMilliseconds) ==
                WAIT_OBJECT_0;
    if (!run.ended) {
      TerminateProcess(child.hProcess, 1);
    }
    GetExitCodeProcess(child.hProcess, &run.status);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    run.out = Drain(readEnd);
  }
  CloseHandle(readEnd);
  return run;
}

// Whether `records` is `expected` with some lines missing and nothing else
// wrong: the mark of a lost start, not of a fault.
bool OnlyMissing(const std::vector<std::string>& records,
                 const std::vector<std::string>& expected) {
  if (records.size() >= expected.size()) {
    return false;
  }
  std::size_t next = 0;
  for (const std::string& record : records) {
    while (next < expected.size() && expected[next] != record) {
      ++next;
    }
    if (next == expected.size()) {
      return false;
    }
    ++next;
  }
  return true;
}

class ReleasedProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    static int runs = 0;
    wchar_t temp[MAX_PATH + 1];
    ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
    dir_ = temp + Wide("runabout-ユニコード-тест-") +
           std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++runs);
    ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(Wide(RUNABOUT_PATH).c_str(),
                          Path(L"runabout.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(Wide(RECORDING_CMD_PATH).c_str(),
                          Path(L"cmd.exe").c_str(), FALSE));
  }

  void TearDown() override {
    for (const wchar_t* name : {L"runabout.exe", L"cmd.exe", kRecordName}) {
      DeleteFileW(Path(name).c_str());
    }
    EXPECT_TRUE(RemoveDirectoryW(dir_.c_str()));
  }

  [[nodiscard]] std::wstring Path(const std::wstring& name) const {
    return dir_ + L"\\" + name;
  }

  // Runs the copied runabout.exe, named by its full quoted path, with
  // `arguments` (UTF-8) behind it. A start that Wine lost is made again.
  Outcome RunRunabout(const std::string& arguments) {
    std::wstring line = L"\"" + Path(L"runabout.exe") + L"\"";
    if (!arguments.empty()) {
      line += L" " + Wide(arguments);
    }
    Outcome run;
    for (int attempt = 0; attempt < kAttempts && !run.started; ++attempt) {
      run = RunProgram(line, dir_);
    }
    return run;
  }

  // The lines the stand-in has recorded, in order.
  [[nodiscard]] std::vector<std::string> Records() const {
    std::vector<std::string> lines;
    const HANDLE file =
        CreateFileW(Path(kRecordName).c_str(), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      return lines;
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) != FALSE &&
           read > 0) {
      bytes.append(buffer, read);
    }
    CloseHandle(file);
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\n', start); end != std::string::npos;
         end = bytes.find('\n', start)) {
      lines.push_back(bytes.substr(start, end - start));
      start = end + 1;
    }
    EXPECT_EQ(start, bytes.size()) << "a record without its line feed";
    return lines;
  }

  std::wstring dir_;
};

struct UnicodeCase {
  const char* why;
  const char* arguments;  // The raw command line behind the program's path.
  std::vector<std::string> commands;  // What each started line carries.
};

TEST_F(ReleasedProgram, UnicodeCommandsReachTheInterpreterIntact) {
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
  };
  for (const UnicodeCase& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<std::string> expected;
    for (const std::string& command : c.commands) {
      expected.push_back(ShellPrefix + command);
    }
    std::vector<std::string> records;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      DeleteFileW(Path(kRecordName).c_str());
      const Outcome run = RunRunabout(c.arguments);
      ASSERT_TRUE(run.started);
      ASSERT_TRUE(run.ended) << "runabout.exe did not end";
      EXPECT_EQ(run.status, static_cast<DWORD>(kExitStarted));
      EXPECT_EQ(run.out, "");
      records = Records();
      if (!OnlyMissing(records, expected)) {
        break;
      }
    }
    EXPECT_EQ(records, expected);
  }
}

TEST_F(ReleasedProgram, BannerBytesOnAPipeAreUnchanged) {
  // No argument, and a single one that needs Unicode: both count below two.
  for (const char* arguments : {"", "日本語.exe"}) {
    SCOPED_TRACE(arguments);
    const Outcome run = RunRunabout(arguments);
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.ended) << "runabout.exe did not end";
    EXPECT_EQ(run.status, static_cast<DWORD>(kExitUsage));
    EXPECT_EQ(run.out, kExpectedBanner);
    EXPECT_TRUE(Records().empty()) << "nothing may be started";
  }
}

// The version record of the built program, read as Explorer reads it.
std::vector<char> VersionRecord() {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(RUNABOUT_PATH, &ignored);
  std::vector<char> data(size);
  if (size == 0 ||
      GetFileVersionInfoA(RUNABOUT_PATH, 0, size, data.data()) == FALSE) {
    data.clear();
  }
  return data;
}

TEST(VersionRecord, FixedVersionsAreTheProgramVersion) {
  std::vector<char> data = VersionRecord();
  ASSERT_FALSE(data.empty()) << "runabout.exe has no version record";
  void* found = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", &found, &size));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(found);
  ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  // "1.0" is 1,0,0,0: major and minor in the high word, nothing below.
  const std::string version = ProgramVersion;
  const std::size_t dot = version.find('.');
  ASSERT_NE(dot, std::string::npos);
  const DWORD high = static_cast<DWORD>(
      MAKELONG(std::stoi(version.substr(dot + 1)), std::stoi(version)));
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u)
      << "a release is no debug, pre-release or patched build";
}

TEST(VersionRecord, StringsReadBack) {
  std::vector<char> data = VersionRecord();
  ASSERT_FALSE(data.empty()) << "runabout.exe has no version record";
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
      {"FileDescription",
       "Runabout - starts several programs with one command"},
      {"LegalCopyright", "Copyright (c) 2026 the Runabout developers"},
      {"OriginalFilename", "runabout.exe"},
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
