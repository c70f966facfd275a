// How the interpreter that runs a command will find the program its first
// word names, and what else in the command the interpreters read before the
// program does: cmd's rules on Windows (cmd_reading.cpp), the shell's on POSIX
// (sh_reading.cpp).
#pragma once

#include <string>
#include <vector>

/// What the interpreter will find for a command's program.
struct ProgramLookup {
  std::string text;   ///< The program's name, and where it is found or why not.
  bool found = true;  ///< False when the interpreter will not find it.
};

/// How the interpreter looks for a program named without a path, here and
/// now: one line, the same for every command.
std::string SearchOrder();

/// The program that the first word of the command in `line` names, looked up
/// as the interpreter that runs the command will look for it. `line` is what
/// the start pass hands to the runner.
ProgramLookup LookUpProgram(const std::string& line);

/// Notes on the characters of the command in `line` that the interpreters
/// read before the program does; none on POSIX, where only one shell reads it.
std::vector<std::string> OperatorNotes(const std::string& line);
