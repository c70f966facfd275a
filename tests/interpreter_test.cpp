// How the interpreter stand-in reads the lines the runner hands over.
#include "runtime/interpreter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Action = InterpreterStep::Action;

struct LineCase {
  const char* why;
  std::string line;
  Action action;
  std::string text;
};

TEST(InterpreterLine, Reading) {
  const LineCase cases[] = {
      {"the first stage starts the second in the background",
       "cmd /C start /B cmd /C calc.exe", Action::kBackground,
       "cmd /C calc.exe"},
      {"the second stage runs the command", "cmd /C calc.exe", Action::kShell,
       "calc.exe"},
      {"a quoted command loses its outer quotes", "cmd /C \"touch d\"",
       Action::kShell, "touch d"},
      {"inner quotes stay: the first and the last go", "cmd /C \"a \"b c\" d\"",
       Action::kShell, "a \"b c\" d"},
      {"a lone leading quote goes", "cmd /C \"touch d", Action::kShell,
       "touch d"},
      {"quotes not at the start stay", "cmd /C touch \"b c\"", Action::kShell,
       "touch \"b c\""},
      {"extra spaces after /C are skipped", "cmd /C  y\"", Action::kShell,
       "y\""},
      {"words are case-insensitive", "CMD /c START /b cmd /C x",
       Action::kBackground, "cmd /C x"},
      {"a quoted start line is unquoted first", "cmd /C \"start /B cmd /C x\"",
       Action::kBackground, "cmd /C x"},
      {"start without /B is a shell command", "cmd /C start x", Action::kShell,
       "start x"},
      {"startx is not start", "cmd /C startx /B y", Action::kShell,
       "startx /B y"},
      {"cmdx is not cmd", "cmdx /C y", Action::kShell, "cmdx /C y"},
      // A word ends at a space or at the end of the text: a word that only
      // begins with cmd, /C, start or /B, and is followed by another word
      // that would be read, must not be taken.
      {"/Cx is not /C", "cmd /Cx y", Action::kShell, "cmd /Cx y"},
      {"cmd/C is not cmd and /C", "cmd/C x", Action::kShell, "cmd/C x"},
      {"/Bx is not /B", "cmd /C start /Bx y", Action::kShell, "start /Bx y"},
      {"start/B is not start and /B", "cmd /C start/B x", Action::kShell,
       "start/B x"},
      {"a line that is not a cmd line runs as it stands", "touch a",
       Action::kShell, "touch a"},
      {"/C is required", "cmd /K x", Action::kShell, "cmd /K x"},
      {"nothing after /C", "cmd /C", Action::kShell, ""},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(std::string(c.why) + ": [" + c.line + "]");
    const InterpreterStep step = ReadInterpreterLine(c.line);
    EXPECT_EQ(step.action, c.action);
    EXPECT_EQ(step.text, c.text);
  }
}

}  // namespace
