// The command-interpreter stand-in used where there is no `cmd`: it reads the
// lines the runner hands over ("cmd /C start /B cmd /C ...") the way the
// Windows interpreters and the first one's `start /B` would, and hands the
// command itself to the shell.
#pragma once

#include <string>

/// The shell that runs each command in place of the second interpreter.
inline constexpr char kShell[] = "/bin/sh";

/// What the processes started for one line do: so many of them start the
/// next in the background and end, and the last hands `shellText` to the
/// shell (`/bin/sh -c shellText`).
struct InterpreterStages {
  int backgroundStarts = 0;
  std::string shellText;
};

/// Reads one line handed to the interpreter: only its prefix, never the
/// command behind it. `cmd /C TEXT` (case-insensitive) first drops a leading
/// double quote of TEXT together with the last double quote in it; a TEXT
/// beginning with `start /B ` starts the rest in the background, where a
/// second `cmd /C` reads it again in the same way. What is left is the
/// command, which the shell gets as it stands, whatever its first words. A
/// line that is not a `cmd /C` line goes to the shell whole.
InterpreterStages ReadInterpreterStages(const std::string& line);
