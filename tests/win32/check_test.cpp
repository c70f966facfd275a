// runabout-check under Wine, with the recording stand-in as the system's
// cmd.exe, which must record nothing: the program each command names, found
// as cmd and its `start` find it, with the status each finding gives.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/system_win32.h"
#include "tests/check_report.h"
#include "tests/win32/e2e_support.h"

namespace {

constexpr char kAppPathsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\onlyapp.exe";
constexpr DWORD kLimitMilliseconds = 60000;

std::string CheckProgram() {
  return e2e::ProgramFromEnvironment("RUNABOUT_CHECK_PROGRAM");
}

// Sets environment variable `name` for the programs started from here while
// it lives, and puts the old value back when it goes.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    char old[32767];
    const DWORD length = GetEnvironmentVariableA(name, old, sizeof(old));
    had_ = length > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    old_.assign(old, length);
    SetEnvironmentVariableA(name, value);
  }
  ~ScopedVariable() {
    SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;
  ScopedVariable(ScopedVariable&&) = delete;
  ScopedVariable& operator=(ScopedVariable&&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

// Folders of programs: the current folder, one on PATH, one whose name holds
// a space, one whose name holds parentheses, and one that App Paths alone
// names.
class CheckLookup : public testing::Test {
 protected:
  void SetUp() override {
    for (const std::string* folder :
         {&onPath_, &spaced_, &parenthesised_, &appsOnly_}) {
      ASSERT_TRUE(CreateDirectoryA(folder->c_str(), nullptr)) << *folder;
    }
    const std::string recorder =
        e2e::ProgramDirectory() + "runabout_argument_recorder.exe";
    for (const std::string& file :
         {current_.path() + "here.exe", onPath_ + "onpath.exe",
          onPath_ + "script.run", spaced_ + "tool.exe",
          parenthesised_ + "app.exe", appsOnly_ + "onlyapp.exe"}) {
      ASSERT_TRUE(CopyFileA(recorder.c_str(), file.c_str(), FALSE)) << file;
    }
    const std::string registered = appsOnly_ + "onlyapp.exe";
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kAppPathsKey, nullptr, REG_SZ,
                              registered.c_str(),
                              static_cast<DWORD>(registered.size() + 1)),
              ERROR_SUCCESS);
    e2e::RecordInterpretersIn(current_.path());
  }

  void TearDown() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kAppPathsKey);
    EXPECT_TRUE(e2e::ReadRecords(current_.path()).empty())
        << "runabout-check started an interpreter";
    for (const std::string* folder :
         {&onPath_, &spaced_, &parenthesised_, &appsOnly_}) {
      e2e::DeleteDirectory(*folder);
    }
  }

  // Replaces each {current}, {path}, {spaced}, {parens} and {apps} in `text`
  // with that folder, which ends with a backslash.
  [[nodiscard]] std::string Expanded(std::string text) const {
    const std::pair<const char*, const std::string*> folders[] = {
        {"{current}", &current_.path()},
        {"{path}", &onPath_},
        {"{spaced}", &spaced_},
        {"{parens}", &parenthesised_},
        {"{apps}", &appsOnly_}};
    for (const auto& [name, folder] : folders) {
      for (std::size_t at = text.find(name); at != std::string::npos;
           at = text.find(name)) {
        text.replace(at, std::string(name).size(), *folder);
      }
    }
    return text;
  }

  e2e::ScratchDirectory current_{"lookup"};
  std::string onPath_ = current_.path() + "On Path\\";
  std::string spaced_ = current_.path() + "My Tools\\";
  std::string parenthesised_ = current_.path() + "App (x86)\\";
  std::string appsOnly_ = current_.path() + "Apps Only\\";
};

TEST_F(CheckLookup, ProgramsAsCmdAndStartFindThem) {
  struct {
    const char* why;
    std::string arguments;
    std::vector<std::string> programs;
    DWORD status;
    std::vector<std::pair<const char*, const char*>> variables = {};
  } const cases[] = {
      {"on PATH, as named and through PATHEXT",
       "onpath.exe onpath",
       {"1 onpath.exe: found on PATH: {path}onpath.exe",
        "2 onpath: found on PATH: {path}onpath.exe"},
       0},
      {"in the current folder, and a built-in command",
       "here.exe cd",
       {"1 here.exe: found in the current folder: {current}here.exe",
        "2 cd: a built-in command of cmd"},
       0},
      {"behind @, and a block",
       "@here.exe (cd)",
       {"1 here.exe: found in the current folder: {current}here.exe",
        "2 (: a block of commands in parentheses; not looked up"},
       0},
      {"through an extension PATHEXT names",
       "script onpath",
       {"1 script: found on PATH: {path}script.run",
        "2 onpath: found on PATH: {path}onpath.exe"},
       0,
       {{"PATHEXT", ".RUN;.EXE"}}},
      {"a quoted path with a space, which cmd /C keeps quoted",
       R"("""{spaced}tool.exe" cd)",
       {"1 {spaced}tool.exe: a path; found: {spaced}tool.exe",
        "2 cd: a built-in command of cmd"},
       0},
      {"a quoted path with parentheses, whose quotes cmd /C drops",
       R"("""{parens}app.exe" cd)",
       {"1 {current}App: a path; not found (cmd /C drops the outer double "
        "quotes, as one of & < > ( ) @ ^ | stands between them)",
        "2 cd: a built-in command of cmd"},
       1},
      {"not found",
       "no-such-program onpath",
       {"1 no-such-program: not found",
        "2 onpath: found on PATH: {path}onpath.exe"},
       1},
      {"a name that App Paths alone knows gets the start fix",
       "onlyapp cd",
       {"1 onlyapp: not found by cmd's search; App Paths knows it as "
        "{apps}onlyapp.exe: write it as \"start onlyapp ...\"",
        "2 cd: a built-in command of cmd"},
       1},
      {"start finds it through App Paths",
       R"("start onlyapp --flag" "start /min onpath")",
       {"1 start onlyapp: found through App Paths: {apps}onlyapp.exe",
        "2 start onpath: found on PATH: {path}onpath.exe"},
       0},
      {"NoDefaultCurrentDirectoryInExePath keeps the current folder out",
       "here.exe onpath",
       {"1 here.exe: not found", "2 onpath: found on PATH: {path}onpath.exe"},
       1,
       {{"NoDefaultCurrentDirectoryInExePath", "1"}}},
  };
  std::string path(32767, '\0');
  path.resize(GetEnvironmentVariableA("PATH", path.data(), 32767));
  const ScopedVariable searched("PATH", (onPath_ + ";" + path).c_str());
  const std::string check = current_.Copy(CheckProgram(), "runabout-check.exe");
  ASSERT_FALSE(check.empty());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<std::unique_ptr<ScopedVariable>> variables;
    for (const auto& [name, value] : c.variables) {
      variables.push_back(std::make_unique<ScopedVariable>(name, value));
    }
    std::string output;
    const e2e::Outcome outcome = e2e::RunCapturingOutput(
        check, "runabout-check.exe " + Expanded(c.arguments), current_.path(),
        &output);
    ASSERT_TRUE(outcome.started && outcome.ended);
    EXPECT_EQ(outcome.exitCode, c.status) << output;
    const CheckReport report =
        ReadCheckReport(Narrowed(CP_ACP, Widened(CP_UTF8, output)));
    std::vector<std::string> programs;
    for (const std::string& line : c.programs) {
      programs.push_back(Expanded(line));
    }
    EXPECT_EQ(report.programs, programs) << output;
    // The search order says which folders cmd searches.
    const bool keptOut =
        !c.variables.empty() && std::string(c.variables[0].first) ==
                                    "NoDefaultCurrentDirectoryInExePath";
    EXPECT_NE(output.find(keptOut ? "(NoDefaultCurrentDirectoryInExePath is "
                                    "set, so not in the current folder)"
                                  : "(NoDefaultCurrentDirectoryInExePath is "
                                    "not set)"),
              std::string::npos)
        << output;
  }
}

}  // namespace
