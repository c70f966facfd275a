// The guide's Windows recipes, each run the way a user runs it, under Wine
// with Wine's own cmd.exe and nothing of ours in its place: typed at cmd's
// prompt (run as `cmd /S /C "LINE"`, which reads LINE as the prompt does) and
// again from a batch file with every % doubled, as a line of a batch file,
// for PowerShell as the raw line its documentation says it hands over, or as
// a shortcut's Target, started from a parent without a console as Explorer
// starts it (gui_parent.cpp), runabout.exe and runaboutw.exe standing in
// %LOCALAPPDATA%\Programs\Runabout of a user whose name holds a space. The
// argument recorder stands in for every program the recipes name: in the
// case directory as calc.exe, notepad.exe, explorer.exe and ping.exe, and as
// the installed programs below, one of which App Paths names; a recipe that
// waits with ping runs the system's own. What each copy received is compared
// with the table as a set, since programs started in the background may end
// in any order, and so is the console each one had. Run under a virtual
// display, a console window there is a real window. The docs check
// (recipes_doc_test.sh) requires every string of the table in the guide's
// recipe tables, and the other way round.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/check_report.h"
#include "tests/win32/e2e_support.h"

namespace {

// Programs installed in folders of their own, whose names hold a space and,
// in Program Files (x86), parentheses; the last is known only to App Paths.
constexpr const char* kInstalledPrograms[] = {
    "C:\\Program Files\\Example App\\app.exe",
    "C:\\Program Files (x86)\\Example App\\app.exe",
    "C:\\Program Files\\Example Mail\\mail.exe",
    "C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe",
};
// Registers chrome.exe as the last of them: App Paths is where `start`
// (through ShellExecuteEx) and the Run dialog look a program up that is on no
// PATH. Windows reads it under HKCU and HKLM, Wine's start only under HKLM.
constexpr char kAppPathsKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe";
// Where the README has each user unpack Runabout, for a user whose name
// holds a space, as names may; and that user's profile, where a helper batch
// file stands.
constexpr char kUsers[] = "C:\\Users\\";
constexpr char kUserProfile[] = "C:\\Users\\Your Name";
constexpr char kLocalAppData[] = "C:\\Users\\Your Name\\AppData\\Local";
constexpr char kRunaboutFolder[] =
    "C:\\Users\\Your Name\\AppData\\Local\\Programs\\Runabout\\";
constexpr char kDocuments[] = "C:\\Users\\Your Name\\Documents\\";
constexpr const char* kPrograms[] = {"calc.exe", "notepad.exe", "explorer.exe",
                                     "ping.exe"};
// A run whose programs have not all noted down their arguments by then has
// lost one; nothing is timed. It is longer than a recorder waits for
// another program (argument_recorder.cpp).
constexpr DWORD kRecordLimitMilliseconds = 30000;
constexpr int kAttempts = 3;

enum class Entry {
  kPromptAndBatchFile,  // Typed at the prompt; in a batch file, % doubled.
  kPrompt,              // Typed at the prompt only.
  kBatchFile,           // A line of a batch file.
  kPowerShell,          // Typed in PowerShell, which hands over `raw`.
  kShortcut,            // A shortcut's Target, or the Run dialog's line.
};

// A batch file that a recipe starts, written afresh for each run.
struct HelperBatchFile {
  std::string path;                // A name alone stands in the case directory.
  std::vector<std::string> lines;  // Each ended by CR LF.
};

struct Recipe {
  Entry entry;
  std::string line;
  std::vector<std::string> runs;  // "program [argument]...", in any order.
  std::string raw{};              // The line PowerShell hands over.
  std::vector<HelperBatchFile> helpers{};
  // The console of each program, in the order of `runs` once sorted, as
  // ConsoleWindows names them; by default each had the console of the one
  // that started Runabout, this test's own.
  std::vector<std::string> consoles{};
  // A program the recipe runs from the system: no stand-in takes its name.
  std::string systemProgram{};
  // When set, the last program of `runs` waits behind a command of its own:
  // it starts after Runabout has ended and after every other program,
  // although it was handed off first.
  bool lastWaits = false;
  // What runabout-check, given the same line at the prompt in the same
  // folder, says the interpreters read (each note up to its colon), and its
  // status: 0 when it finds every program, as it must for a recipe that
  // works.
  std::vector<std::string> checkNotes{};
  DWORD checkStatus = 0;
  // An installed program that, once started, waits for a program of the
  // case directory to note down its arguments before it notes down its own
  // (argument_recorder.cpp): so it must still run when that one starts.
  std::string stillRunning{};
};

// Who starts the raw line of a recipe.
enum class Starter { kCmd, kRunabout, kGuiParent };

// One way of entering a recipe.
struct Entered {
  const char* how;
  Starter starter;
  std::string commandLine;  // The raw line of that program.
  std::string batchFile;    // When set, the line of recipe.bat.
};

// runabout-check's note on a group whose & the second interpreter reads.
constexpr char kSecondReadsAnd[] =
    "1 holds & inside the outer double quotes that cmd /C drops";

// The recipes; their strings are exactly those of the guide's tables.
const std::vector<Recipe>& AllRecipes() {
  // A batch file's lines that start two programs without waiting for either.
  const std::vector<std::string> startsTwoPrograms = {
      R"(@start "" /b "C:\Program Files\Example Mail\mail.exe")",
      R"(@start "" /b notepad.exe C:\Notes\todo.txt)"};
  static const std::vector<Recipe> recipes = {
      {Entry::kPromptAndBatchFile,
       R"(runabout calc.exe notepad.exe)",
       {R"(calc.exe)", R"(notepad.exe)"}},
      {Entry::kPromptAndBatchFile,
       R"(runabout "notepad.exe C:\Notes\todo.txt" calc.exe)",
       {R"(notepad.exe [C:\Notes\todo.txt])", R"(calc.exe)"}},
      {Entry::kPromptAndBatchFile,
       R"(runabout """C:\Program Files\Example App\app.exe" calc.exe)",
       {R"(C:\Program Files\Example App\app.exe)", R"(calc.exe)"}},
      // The program is named with .\, which works whether or not cmd
      // searches the current folder.
      {Entry::kPromptAndBatchFile,
       R"(runabout """cd /d C:\Program Files\Example App && .\app.exe --flag" calc.exe)",
       {R"(C:\Program Files\Example App\app.exe [--flag])", R"(calc.exe)"},
       "",
       {},
       {},
       "",
       false,
       {kSecondReadsAnd}},
      // The second interpreter keeps the quotes of a quoted program name only
      // when none of & < > ( ) @ ^ | stands inside them, so a folder whose
      // name holds parentheses is changed into first.
      {Entry::kPromptAndBatchFile,
       R"(runabout """cd /d C:\Program Files (x86)\Example App && .\app.exe --flag" calc.exe)",
       {R"(C:\Program Files (x86)\Example App\app.exe [--flag])",
        R"(calc.exe)"},
       "",
       {},
       {},
       "",
       false,
       {kSecondReadsAnd}},
      // Not so: without its quotes the path breaks at its first space, and
      // only the next command's program starts.
      {Entry::kPrompt,
       R"(runabout """C:\Program Files (x86)\Example App\app.exe" calc.exe)",
       {R"(calc.exe)"},
       "",
       {},
       {},
       "",
       false,
       {},
       1},
      // start finds a program under App Paths, as the Run dialog does, and
      // hands it the rest; the interpreter's own search does not. Without /B
      // it gives a console program a console of its own; this test's, under
      // Wine, has no window.
      {Entry::kPromptAndBatchFile,
       R"(runabout "start chrome https://example.org" calc.exe)",
       {R"(C:\Program Files\Google\Chrome\Application\chrome.exe [https://example.org])",
        R"(calc.exe)"},
       "",
       {},
       {"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe window 1",
        "calc.exe no window"}},
      {Entry::kPromptAndBatchFile,
       R"(runabout "explorer https://example.org/search?q=runabout^^^&lang=en" calc.exe)",
       {R"(explorer.exe [https://example.org/search?q=runabout&lang=en])",
        R"(calc.exe)"},
       "",
       {},
       {},
       "",
       false,
       {"1 holds ^ and & outside double quotes"}},
      {Entry::kPromptAndBatchFile,
       R"(runabout """explorer https://example.org/search?q=runabout^&lang=en" calc.exe)",
       {R"(explorer.exe [https://example.org/search?q=runabout&lang=en])",
        R"(calc.exe)"},
       "",
       {},
       {},
       "",
       false,
       {"1 holds ^ and & inside the outer double quotes that cmd /C "
        "drops"}},
      // & as an operator for the second interpreter: behind a caret outside
      // a group, as it stands inside one, whose quotes the first keeps.
      {Entry::kPromptAndBatchFile,
       R"(runabout "calc.exe ^& notepad.exe" explorer.exe)",
       {R"(calc.exe)", R"(notepad.exe)", R"(explorer.exe)"},
       "",
       {},
       {},
       "",
       false,
       {"1 holds ^ and & outside double quotes"}},
      {Entry::kPromptAndBatchFile,
       R"(runabout """calc.exe & notepad.exe" explorer.exe)",
       {R"(calc.exe)", R"(notepad.exe)", R"(explorer.exe)"},
       "",
       {},
       {},
       "",
       false,
       {kSecondReadsAnd}},
      {Entry::kPrompt,
       R"(runabout "explorer https://example.org/My%20Documents" calc.exe)",
       {R"(explorer.exe [https://example.org/My%20Documents])", R"(calc.exe)"},
       "",
       {},
       {},
       "",
       false,
       {"1 holds %"}},
      // cmd reads a batch file in the console's code page, not in UTF-8.
      {Entry::kPrompt,
       R"(runabout "notepad.exe Привет.txt" "notepad.exe 日本語.txt")",
       {R"(notepad.exe [Привет.txt])", R"(notepad.exe [日本語.txt])"}},
      {Entry::kPromptAndBatchFile,
       R"(runabout .\notes.bat calc.exe)",
       {R"(notepad.exe [my notes.txt])", R"(calc.exe)"},
       "",
       {{"notes.bat", {R"(@notepad.exe "my notes.txt")"}}}},
      // A batch file that takes an argument holding a space, started by a
      // wrapper that quotes it; %~dp0 is the wrapper's own folder.
      {Entry::kPromptAndBatchFile,
       R"(runabout .\open-notes.bat calc.exe)",
       {R"(notepad.exe [my notes.txt])", R"(calc.exe)"},
       "",
       {{"open-notes.bat", {R"(@call "%~dp0open.bat" "my notes.txt")"}},
        {"open.bat", {R"(@notepad.exe %1)"}}}},
      {Entry::kBatchFile,
       R"(runabout "explorer https://example.org/My%%20Documents" calc.exe)",
       {R"(explorer.exe [https://example.org/My%20Documents])", R"(calc.exe)"},
       "",
       {},
       {},
       "",
       false,
       {"1 holds %"}},
      {Entry::kPowerShell,
       R"(runabout 'notepad.exe C:\Notes\todo.txt' calc.exe)",
       {R"(notepad.exe [C:\Notes\todo.txt])", R"(calc.exe)"},
       R"(runabout.exe "notepad.exe C:\Notes\todo.txt" calc.exe)"},
      {Entry::kPowerShell,
       R"(runabout --% """C:\Program Files\Example App\app.exe" calc.exe)",
       {R"(C:\Program Files\Example App\app.exe)", R"(calc.exe)"},
       R"(runabout.exe """C:\Program Files\Example App\app.exe" calc.exe)"},
      {Entry::kShortcut,
       R"("%LOCALAPPDATA%\Programs\Runabout\runaboutw.exe" calc.exe notepad.exe)",
       {R"(calc.exe)", R"(notepad.exe)"},
       "",
       {},
       {"calc.exe no window", "notepad.exe no window"}},
      {Entry::kShortcut,
       R"(runaboutw calc.exe notepad.exe)",
       {R"(calc.exe)", R"(notepad.exe)"},
       "",
       {},
       {"calc.exe no window", "notepad.exe no window"}},
      // A batch file named by its full path finds its own folder through
      // %~dp0, whatever folder the shortcut starts in (the case directory).
      {Entry::kShortcut,
       R"("%LOCALAPPDATA%\Programs\Runabout\runaboutw.exe" """%USERPROFILE%\Documents\open notes.bat" calc.exe)",
       {R"(notepad.exe [C:\Users\Your Name\Documents\my notes.txt])",
        R"(calc.exe)"},
       "",
       {{std::string(kDocuments) + "open notes.bat",
         {R"(@notepad.exe "%~dp0my notes.txt")"}}},
       {"calc.exe no window", "notepad.exe no window"}},
      // One batch file that starts two programs, each with start "" /b, so
      // that cmd goes on at once; the first must still run when the second
      // starts. Named with """, as its path holds a space, it is three
      // arguments, enough for Runabout alone.
      {Entry::kShortcut,
       R"("%LOCALAPPDATA%\Programs\Runabout\runaboutw.exe" """%USERPROFILE%\Documents\my programs.bat")",
       {R"(C:\Program Files\Example Mail\mail.exe)",
        R"(notepad.exe [C:\Notes\todo.txt])"},
       "",
       {{std::string(kDocuments) + "my programs.bat", startsTwoPrograms}},
       {"C:\\Program Files\\Example Mail\\mail.exe no window",
        "notepad.exe no window"},
       "",
       false,
       {},
       0,
       kInstalledPrograms[2]},
      // Named by a path without a space, it is one argument: rem, which does
      // nothing, is the second.
      {Entry::kShortcut,
       R"("%LOCALAPPDATA%\Programs\Runabout\runaboutw.exe" .\programs.bat rem)",
       {R"(C:\Program Files\Example Mail\mail.exe)",
        R"(notepad.exe [C:\Notes\todo.txt])"},
       "",
       {{"programs.bat", startsTwoPrograms}},
       {"C:\\Program Files\\Example Mail\\mail.exe no window",
        "notepad.exe no window"},
       "",
       false,
       {},
       0,
       kInstalledPrograms[2]},
      // A browser, a mail client under Program Files and an editor, at
      // sign-in.
      {Entry::kShortcut,
       R"("%LOCALAPPDATA%\Programs\Runabout\runaboutw.exe" "explorer https://example.org" """C:\Program Files\Example Mail\mail.exe" "notepad.exe C:\Notes\todo.txt")",
       {R"(explorer.exe [https://example.org])",
        R"(C:\Program Files\Example Mail\mail.exe)",
        R"(notepad.exe [C:\Notes\todo.txt])"},
       "",
       {},
       {"C:\\Program Files\\Example Mail\\mail.exe no window",
        "explorer.exe no window", "notepad.exe no window"}},
      // The control: runabout.exe gets a console of its own, whose window
      // every console program it starts shares.
      {Entry::kShortcut,
       R"("%LOCALAPPDATA%\Programs\Runabout\runabout.exe" "ping -t localhost" "ping -t example.org")",
       {R"(ping.exe [-t] [localhost])", R"(ping.exe [-t] [example.org])"},
       "",
       {},
       {"ping.exe window 1", "ping.exe window 1"}},
      // start without /B gives a console program a console of its own.
      {Entry::kShortcut,
       R"("%LOCALAPPDATA%\Programs\Runabout\runaboutw.exe" "start /min ping -t localhost" notepad.exe)",
       {R"(ping.exe [-t] [localhost])", R"(notepad.exe)"},
       "",
       {},
       {"notepad.exe no window", "ping.exe window 1"}},
      // One program ten seconds after the others: the second interpreter
      // waits with the system's ping, which reads no input, in the console
      // without a window that runaboutw gives it, and Runabout goes on at
      // once. ping -n 11 sends its eleven requests a second apart.
      {Entry::kShortcut,
       R"("%LOCALAPPDATA%\Programs\Runabout\runaboutw.exe" """ping -n 11 127.0.0.1 >nul & notepad.exe" calc.exe)",
       {R"(calc.exe)", R"(notepad.exe)"},
       "",
       {},
       {"calc.exe no window", "notepad.exe no window"},
       "ping.exe",
       true,
       {"1 holds > and & inside the outer double quotes that cmd /C "
        "drops"}},
  };
  return recipes;
}

std::string WithPercentDoubled(const std::string& line) {
  std::string doubled;
  for (const char c : line) {
    doubled += c;
    if (c == '%') doubled += c;
  }
  return doubled;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  return static_cast<bool>(file);
}

// Creates `folder`, which ends with a backslash, and any folder above it that
// is missing.
void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('\\', 3); slash != std::string::npos;
       slash = folder.find('\\', slash + 1)) {
    CreateDirectoryA(folder.substr(0, slash).c_str(), nullptr);
  }
}

// Deletes `folder`, which ends with a backslash, with its files, then each
// folder above it that is left empty, up to `top`.
void DeleteFolders(const std::string& folder, const std::string& top) {
  e2e::DeleteDirectory(folder);
  for (std::string above = folder;;) {
    above.erase(above.rfind('\\', above.size() - 2) + 1);
    if (above == top) break;
    RemoveDirectoryA(above.c_str());
  }
}

// What the recorder's copies noted down in `file`, in the case directory and
// beside each installed program, whose records name it by its full path;
// sorted.
std::vector<std::string> Recorded(const std::string& directory,
                                  const char* file) {
  std::vector<std::string> records = e2e::ReadLines(directory + file);
  for (const char* program : kInstalledPrograms) {
    const std::string folder = e2e::DirectoryOf(program);
    for (const std::string& record : e2e::ReadLines(folder + file)) {
      records.push_back(folder + record);
    }
  }
  std::sort(records.begin(), records.end());
  return records;
}

std::vector<std::string> RecordedRuns(const std::string& directory) {
  return Recorded(directory, "args.txt");
}

// Each program's console: "calc.exe no window", or "calc.exe window N", where
// N counts the distinct windows in the order they first appear.
std::vector<std::string> ConsoleWindows(const std::string& directory) {
  std::vector<std::string> consoles;
  std::vector<std::string> windows;
  for (const std::string& record : Recorded(directory, "consoles.txt")) {
    const std::size_t space = record.rfind(' ');
    const std::string window = record.substr(space + 1);
    std::string name = "no window";
    if (window != "0") {
      auto found = std::find(windows.begin(), windows.end(), window);
      if (found == windows.end()) found = windows.insert(found, window);
      name = "window " + std::to_string(found - windows.begin() + 1);
    }
    consoles.push_back(record.substr(0, space) + " " + name);
  }
  return consoles;
}

class Recipes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* program : kInstalledPrograms) {
      MakeFolders(e2e::DirectoryOf(program));
      CopyFileA(RECORDER_PATH, program, FALSE);
    }
    const std::string registered = std::end(kInstalledPrograms)[-1];
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kAppPathsKey, nullptr, REG_SZ,
                              registered.c_str(),
                              static_cast<DWORD>(registered.size() + 1)),
              ERROR_SUCCESS)
        << "chrome.exe could not be registered under App Paths";
    // The shortcuts name the user's Documents through %USERPROFILE%.
    SetEnvironmentVariableA("USERPROFILE", kUserProfile);
    MakeFolders(kDocuments);
    // Installed as the README says, in that user's own folder, which is on
    // PATH for the Run dialog's line; the shortcuts name it through
    // %LOCALAPPDATA%.
    SetEnvironmentVariableA("LOCALAPPDATA", kLocalAppData);
    const std::string folder = kRunaboutFolder;
    MakeFolders(folder);
    CopyFileA(RUNABOUT_PATH, (folder + "runabout.exe").c_str(), FALSE);
    CopyFileA(RUNABOUTW_PATH, (folder + "runaboutw.exe").c_str(), FALSE);
    char path[32767];
    const DWORD length = GetEnvironmentVariableA("PATH", path, sizeof(path));
    SetEnvironmentVariableA("PATH",
                            (std::string(path, length) + ";" + folder).c_str());
  }

  static void TearDownTestSuite() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathsKey);
    for (const char* program : kInstalledPrograms) {
      DeleteFolders(e2e::DirectoryOf(program), "C:\\");
    }
    e2e::DeleteDirectory(kDocuments);
    DeleteFolders(kRunaboutFolder, kUsers);
  }

  // Readies `directory` for `recipe` entered as `entered`: the stand-ins of
  // the programs it names, its helper batch files and recipe.bat, and no
  // records left beside the installed programs.
  static void PrepareCase(const e2e::ScratchDirectory& directory,
                          const Recipe& recipe, const Entered& entered) {
    for (const char* program : kPrograms) {
      if (program != recipe.systemProgram) {
        ASSERT_FALSE(directory.Copy(RECORDER_PATH, program).empty());
      }
    }
    for (const HelperBatchFile& helper : recipe.helpers) {
      std::string text;
      for (const std::string& line : helper.lines) text += line + "\r\n";
      ASSERT_TRUE(WriteText(helper.path.find('\\') == std::string::npos
                                ? directory.path() + helper.path
                                : helper.path,
                            text));
    }
    if (!entered.batchFile.empty()) {
      ASSERT_TRUE(WriteText(directory.path() + "recipe.bat",
                            "@" + entered.batchFile + "\r\n"));
    }
    for (const char* program : kInstalledPrograms) {
      const std::string folder = e2e::DirectoryOf(program);
      DeleteFileA((folder + "args.txt").c_str());
      DeleteFileA((folder + "consoles.txt").c_str());
      DeleteFileA((folder + "wait-for.txt").c_str());
      if (program == recipe.stillRunning) {
        ASSERT_TRUE(
            WriteText(folder + "wait-for.txt", directory.path() + "args.txt"));
      }
    }
  }

  // Gives runabout-check, in the case directory, the line that `entered`
  // gives Runabout: typed at the prompt, in a batch file or as PowerShell's
  // raw line, or, for a shortcut, its Target's arguments typed at the prompt,
  // as troubleshooting says. Its notes on what the interpreters read and its
  // status must be the recipe's.
  static void ExpectCheck(const Recipe& recipe, const Entered& entered,
                          const e2e::ScratchDirectory& directory) {
    const std::string check =
        directory.Copy(RUNABOUT_CHECK_PATH, "runabout-check.exe");
    ASSERT_FALSE(check.empty());
    std::string starter = e2e::SystemInterpreter();
    std::string line;
    if (!entered.batchFile.empty()) {
      ASSERT_TRUE(WriteText(
          directory.path() + "check.bat",
          "@runabout-check" +
              entered.batchFile.substr(entered.batchFile.find(' ')) + "\r\n"));
      line = "cmd /C check.bat";
    } else if (entered.starter == Starter::kRunabout) {
      starter = check;
      line = "runabout-check.exe" +
             entered.commandLine.substr(entered.commandLine.find(' '));
    } else {
      // The line without Runabout's name, which a shortcut quotes if need be.
      const std::size_t name = recipe.line.front() == '"'
                                   ? recipe.line.find('"', 1) + 1
                                   : recipe.line.find(' ');
      line = "cmd /S /C \"runabout-check" + recipe.line.substr(name) + "\"";
    }
    std::string output;
    const e2e::Outcome outcome =
        e2e::RunCapturingOutput(starter, line, directory.path(), &output);
    ASSERT_TRUE(outcome.started && outcome.ended) << line;
    EXPECT_EQ(outcome.exitCode, recipe.checkStatus) << output;
    std::vector<std::string> notes;
    for (const std::string& note : ReadCheckReport(output).notes) {
      notes.push_back(note.substr(0, note.find(':')));
    }
    EXPECT_EQ(notes, recipe.checkNotes) << output;
  }

  // Runs `recipe` as `entered` in a fresh case directory and compares what
  // the programs received with the recipe's runs. A run missing some of them
  // lost a start to Wine and is made again; one with anything wrong fails.
  static void ExpectRuns(const Recipe& recipe, const Entered& entered) {
    SCOPED_TRACE(std::string(entered.how) + ": " + recipe.line);
    std::vector<std::string> expected = recipe.runs;
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> consoles = recipe.consoles;
    if (consoles.empty()) {
      // Under Wine this test's console has no window; one of the programs'
      // own would have one, under the virtual display.
      const char* ours =
          GetConsoleWindow() == nullptr ? " no window" : " window 1";
      for (const std::string& run : expected) {
        consoles.push_back(run.substr(0, run.find(" [")) + ours);
      }
    }
    const std::string cmd = e2e::SystemInterpreter();

    for (int attempt = 1;; ++attempt) {
      const e2e::ScratchDirectory directory("recipes");
      const std::string runabout =
          directory.Copy(RUNABOUT_PATH, "runabout.exe");
      ASSERT_FALSE(runabout.empty());
      ASSERT_NO_FATAL_FAILURE(PrepareCase(directory, recipe, entered));

      std::string starter = GUI_PARENT_PATH;
      if (entered.starter == Starter::kCmd) starter = cmd;
      if (entered.starter == Starter::kRunabout) starter = runabout;
      const e2e::Outcome outcome = e2e::Run(
          starter, entered.commandLine, directory.path(), &e2e::NulHandles());
      ASSERT_TRUE(outcome.started);
      ASSERT_TRUE(outcome.ended) << "the run never ended";
      EXPECT_EQ(outcome.exitCode, 0u);
      // What had started once Runabout had ended, and once all but the last
      // program had.
      const std::vector<std::string> atTheEnd = RecordedRuns(directory.path());
      const auto recorded = [&](std::size_t count) {
        e2e::WaitUntil(
            [&] { return RecordedRuns(directory.path()).size() >= count; },
            kRecordLimitMilliseconds);
        return RecordedRuns(directory.path());
      };
      const std::vector<std::string> allButLast = recorded(expected.size() - 1);
      const std::vector<std::string> runs = recorded(expected.size());
      if (runs == expected) {
        ExpectCheck(recipe, entered, directory);
        EXPECT_EQ(ConsoleWindows(directory.path()), consoles);
        if (recipe.lastWaits) {
          const std::string& last = recipe.runs.back();
          EXPECT_EQ(std::count(atTheEnd.begin(), atTheEnd.end(), last), 0)
              << "Runabout waited for the waiting command";
          EXPECT_EQ(std::count(allButLast.begin(), allButLast.end(), last), 0)
              << "the last program did not wait";
        }
        return;
      }
      ASSERT_TRUE(e2e::OnlyStartsLost(runs, expected, attempt, kAttempts));
    }
  }
};

TEST_F(Recipes, TypedAtThePrompt) {
  for (const Recipe& recipe : AllRecipes()) {
    if (recipe.entry == Entry::kPromptAndBatchFile ||
        recipe.entry == Entry::kPrompt) {
      ExpectRuns(recipe, {"at the prompt", Starter::kCmd,
                          "cmd /S /C \"" + recipe.line + "\"", ""});
    }
  }
}

TEST_F(Recipes, InABatchFile) {
  for (const Recipe& recipe : AllRecipes()) {
    if (recipe.entry == Entry::kPromptAndBatchFile) {
      ExpectRuns(recipe,
                 {"in a batch file, % doubled", Starter::kCmd,
                  "cmd /C recipe.bat", WithPercentDoubled(recipe.line)});
    } else if (recipe.entry == Entry::kBatchFile) {
      ExpectRuns(recipe, {"in a batch file", Starter::kCmd, "cmd /C recipe.bat",
                          recipe.line});
    }
  }
}

// PowerShell is not run here: these rows check Runabout with the line that
// PowerShell's documentation says it hands over.
TEST_F(Recipes, FromPowerShell) {
  for (const Recipe& recipe : AllRecipes()) {
    if (recipe.entry == Entry::kPowerShell) {
      ExpectRuns(recipe, {"as PowerShell hands it over", Starter::kRunabout,
                          recipe.raw, ""});
    }
  }
}

// Explorer starts a shortcut's Target, and the Run dialog's line, from a
// process that has no console.
TEST_F(Recipes, FromAShortcut) {
  for (const Recipe& recipe : AllRecipes()) {
    if (recipe.entry == Entry::kShortcut) {
      ExpectRuns(recipe, {"as a shortcut's Target", Starter::kGuiParent,
                          "gui_parent.exe " + recipe.line, ""});
    }
  }
}

}  // namespace
