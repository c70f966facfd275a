// The command-interpreter stand-in used where there is no `cmd`: it reads the
// lines the runner hands over ("cmd /C start /B cmd /C ...") the way the
// Windows interpreter and its `start /B` would.
#pragma once

#include <string>

/// What one interpreter process does with the line it was started with.
struct InterpreterStep {
  enum class Action {
    kShell,       ///< Replace this process with `/bin/sh -c text`.
    kBackground,  ///< Start `text` as a new interpreter line, then end at once.
  };
  Action action;
  std::string text;
};

/// Reads one line handed to the interpreter. `cmd /C TEXT` (case-insensitive)
/// first drops a leading double quote of TEXT together with the last double
/// quote in it; a result beginning with `start /B ` starts the rest in the
/// background, any other result is run by the shell. A line that is not a
/// `cmd /C` line is run by the shell as it stands.
InterpreterStep ReadInterpreterLine(const std::string& line);
