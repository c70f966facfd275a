// How the interpreter stand-in reads the lines the runner hands over.
#include "runtime/interpreter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LineCase {
  const char* why;
  std::string line;
  int backgroundStarts;
  std::string shellText;
};

TEST(InterpreterLine, Reading) {
  const LineCase cases[] = {
      {"the first stage starts the second in the background",
       "cmd /C start /B cmd /C calc.exe", 1, "calc.exe"},
      {"one interpreter runs the command", "cmd /C calc.exe", 0, "calc.exe"},
      {"a quoted command loses its outer quotes",
       "cmd /C start /B cmd /C \"touch d\"", 1, "touch d"},
      {"inner quotes stay: the first and the last go", "cmd /C \"a \"b c\" d\"",
       0, "a \"b c\" d"},
      {"a lone leading quote goes", "cmd /C \"touch d", 0, "touch d"},
      {"quotes not at the start stay", "cmd /C touch \"b c\"", 0,
       "touch \"b c\""},
      {"extra spaces after /C are skipped", "cmd /C  y\"", 0, "y\""},
      {"words are case-insensitive", "CMD /c START /b cmd /C x", 1, "x"},
      {"a quoted start line is unquoted first", "cmd /C \"start /B cmd /C x\"",
       1, "x"},
      {"start /B may start a program other than cmd", "cmd /C start /B x", 1,
       "x"},
      // Only the prefix is read: the command reaches the shell as written.
      {"a command that begins with start /b is the user's",
       "cmd /C start /B cmd /C start /b echo hi", 1, "start /b echo hi"},
      {"a command that begins with cmd /c is the user's",
       "cmd /C start /B cmd /C cmd /c echo hi", 1, "cmd /c echo hi"},
      {"start without /B is a shell command", "cmd /C start x", 0, "start x"},
      {"startx is not start", "cmd /C startx /B y", 0, "startx /B y"},
      {"cmdx is not cmd", "cmdx /C y", 0, "cmdx /C y"},
      // A word ends at a space or at the end of the text: a word that only
      // begins with cmd, /C, start or /B, and is followed by another word
      // that would be read, must not be taken.
      {"/Cx is not /C", "cmd /Cx y", 0, "cmd /Cx y"},
      {"cmd/C is not cmd and /C", "cmd/C x", 0, "cmd/C x"},
      {"/Bx is not /B", "cmd /C start /Bx y", 0, "start /Bx y"},
      {"start/B is not start and /B", "cmd /C start/B x", 0, "start/B x"},
      {"a line that is not a cmd line runs as it stands", "touch a", 0,
       "touch a"},
      {"/C is required", "cmd /K x", 0, "cmd /K x"},
      {"nothing after /C", "cmd /C", 0, ""},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(std::string(c.why) + ": [" + c.line + "]");
    const InterpreterStages stages = ReadInterpreterStages(c.line);
    EXPECT_EQ(stages.backgroundStarts, c.backgroundStarts);
    EXPECT_EQ(stages.shellText, c.shellText);
  }
}

}  // namespace
