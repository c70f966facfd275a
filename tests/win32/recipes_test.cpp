// The README's Windows recipes, each run the way a user runs it, under Wine
// with Wine's own cmd.exe and nothing of ours in its place: typed at cmd's
// prompt (run as `cmd /S /C "LINE"`, which reads LINE as the prompt does) and
// again from a batch file with every % doubled, as a line of a batch file, or,
// for PowerShell, as the raw line its documentation says it hands over. The
// argument recorder stands in for every program the recipes name: in the case
// directory as calc.exe, notepad.exe and explorer.exe, and as
// C:\Program Files\Example App\app.exe. What each copy received is compared
// with the table as a set, since programs started in the background may end
// in any order. The docs check (recipes_doc_test.sh) requires every string of
// the table in the README and every command in the manual page.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/win32/e2e_support.h"

namespace {

constexpr char kExampleApp[] = "C:\\Program Files\\Example App\\";
constexpr const char* kPrograms[] = {"calc.exe", "notepad.exe", "explorer.exe"};
// A run whose programs have not all noted down their arguments by then has
// lost one; nothing is timed.
constexpr DWORD kRecordLimitMilliseconds = 30000;
constexpr int kAttempts = 3;

enum class Entry {
  kPromptAndBatchFile,  // Typed at the prompt; in a batch file, % doubled.
  kPrompt,              // Typed at the prompt only.
  kBatchFile,           // A line of a batch file.
  kPowerShell,          // Typed in PowerShell, which hands over `raw`.
};

struct Recipe {
  Entry entry;
  std::string line;
  std::vector<std::string> runs;  // "program [argument]...", in any order.
  std::string raw{};              // The line PowerShell hands over.
  std::string notesBat{};         // What notes.bat in the case directory holds.
};

// One way of entering a recipe.
struct Entered {
  const char* how;
  bool throughCmd;          // cmd.exe runs `commandLine`, else runabout.exe.
  std::string commandLine;  // The raw line of that program.
  std::string batchFile;    // When set, the line of recipe.bat.
};

// The recipes; their strings are exactly those of the README's tables.
const std::vector<Recipe>& AllRecipes() {
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
      {Entry::kPromptAndBatchFile,
       R"(runabout """cd /d C:\Program Files\Example App && app.exe --flag" calc.exe)",
       {R"(C:\Program Files\Example App\app.exe [--flag])", R"(calc.exe)"}},
      {Entry::kPromptAndBatchFile,
       R"(runabout "explorer https://example.org/search?q=runabout^^^&lang=en" calc.exe)",
       {R"(explorer.exe [https://example.org/search?q=runabout&lang=en])",
        R"(calc.exe)"}},
      {Entry::kPromptAndBatchFile,
       R"(runabout """explorer https://example.org/search?q=runabout^&lang=en" calc.exe)",
       {R"(explorer.exe [https://example.org/search?q=runabout&lang=en])",
        R"(calc.exe)"}},
      {Entry::kPrompt,
       R"(runabout "explorer https://example.org/My%20Documents" calc.exe)",
       {R"(explorer.exe [https://example.org/My%20Documents])", R"(calc.exe)"}},
      // cmd reads a batch file in the console's code page, not in UTF-8.
      {Entry::kPrompt,
       R"(runabout "notepad.exe Привет.txt" "notepad.exe 日本語.txt")",
       {R"(notepad.exe [Привет.txt])", R"(notepad.exe [日本語.txt])"}},
      {Entry::kPromptAndBatchFile,
       R"(runabout notes.bat calc.exe)",
       {R"(notepad.exe [my notes.txt] [to do.txt])", R"(calc.exe)"},
       "",
       R"(@notepad.exe "my notes.txt" "to do.txt")"},
      {Entry::kBatchFile,
       R"(runabout "explorer https://example.org/My%%20Documents" calc.exe)",
       {R"(explorer.exe [https://example.org/My%20Documents])", R"(calc.exe)"}},
      {Entry::kPowerShell,
       R"(runabout 'notepad.exe C:\Notes\todo.txt' calc.exe)",
       {R"(notepad.exe [C:\Notes\todo.txt])", R"(calc.exe)"},
       R"(runabout.exe "notepad.exe C:\Notes\todo.txt" calc.exe)"},
      {Entry::kPowerShell,
       R"(runabout --% """C:\Program Files\Example App\app.exe" calc.exe)",
       {R"(C:\Program Files\Example App\app.exe)", R"(calc.exe)"},
       R"(runabout.exe """C:\Program Files\Example App\app.exe" calc.exe)"},
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

// What the recorder's copies noted down, in the case directory and in
// Example App, sorted.
std::vector<std::string> RecordedRuns(const std::string& directory) {
  std::vector<std::string> runs = e2e::ReadLines(directory + "args.txt");
  for (const std::string& run :
       e2e::ReadLines(std::string(kExampleApp) + "args.txt")) {
    runs.push_back(kExampleApp + run);
  }
  std::sort(runs.begin(), runs.end());
  return runs;
}

class Recipes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CreateDirectoryA(kExampleApp, nullptr);
    CopyFileA(RECORDER_PATH, (std::string(kExampleApp) + "app.exe").c_str(),
              FALSE);
  }

  static void TearDownTestSuite() { e2e::DeleteDirectory(kExampleApp); }

  // Runs `recipe` as `entered` in a fresh case directory and compares what
  // the programs received with the recipe's runs. A run missing some of them
  // lost a start to Wine and is made again; one with anything wrong fails.
  static void ExpectRuns(const Recipe& recipe, const Entered& entered) {
    SCOPED_TRACE(std::string(entered.how) + ": " + recipe.line);
    std::vector<std::string> expected = recipe.runs;
    std::sort(expected.begin(), expected.end());
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    const std::string cmd = std::string(system, length) + "\\cmd.exe";

    for (int attempt = 1;; ++attempt) {
      const e2e::ScratchDirectory directory("recipes");
      const std::string runabout =
          directory.Copy(RUNABOUT_PATH, "runabout.exe");
      ASSERT_FALSE(runabout.empty());
      for (const char* program : kPrograms) {
        ASSERT_FALSE(directory.Copy(RECORDER_PATH, program).empty());
      }
      if (!recipe.notesBat.empty()) {
        ASSERT_TRUE(WriteText(directory.path() + "notes.bat",
                              recipe.notesBat + "\r\n"));
      }
      if (!entered.batchFile.empty()) {
        ASSERT_TRUE(WriteText(directory.path() + "recipe.bat",
                              "@" + entered.batchFile + "\r\n"));
      }
      DeleteFileA((std::string(kExampleApp) + "args.txt").c_str());

      const e2e::Outcome outcome =
          e2e::Run(entered.throughCmd ? cmd : runabout, entered.commandLine,
                   directory.path(), &e2e::NulHandles());
      ASSERT_TRUE(outcome.started);
      ASSERT_TRUE(outcome.ended) << "the run never ended";
      EXPECT_EQ(outcome.exitCode, 0u);
      e2e::WaitUntil(
          [&] {
            return RecordedRuns(directory.path()).size() >= expected.size();
          },
          kRecordLimitMilliseconds);
      const std::vector<std::string> runs = RecordedRuns(directory.path());
      if (runs == expected) {
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
      ExpectRuns(recipe, {"at the prompt", true,
                          "cmd /S /C \"" + recipe.line + "\"", ""});
    }
  }
}

TEST_F(Recipes, InABatchFile) {
  for (const Recipe& recipe : AllRecipes()) {
    if (recipe.entry == Entry::kPromptAndBatchFile) {
      ExpectRuns(recipe,
                 {"in a batch file, % doubled", true, "cmd /C recipe.bat",
                  WithPercentDoubled(recipe.line)});
    } else if (recipe.entry == Entry::kBatchFile) {
      ExpectRuns(recipe,
                 {"in a batch file", true, "cmd /C recipe.bat", recipe.line});
    }
  }
}

// PowerShell is not run here: these rows check Runabout with the line that
// PowerShell's documentation says it hands over.
TEST_F(Recipes, FromPowerShell) {
  for (const Recipe& recipe : AllRecipes()) {
    if (recipe.entry == Entry::kPowerShell) {
      ExpectRuns(recipe,
                 {"as PowerShell hands it over", false, recipe.raw, ""});
    }
  }
}

}  // namespace
