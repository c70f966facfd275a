// What runabout-check needs of the platform: what the runner would hand over
// for a line, what the interpreter would find when it looks for a program, and
// a console to report on. Nothing here starts a process.
#pragma once

#include <string>

/// What RunAndWait would hand over for `commandLine`, byte for byte: on
/// Windows the line itself, the system's cmd.exe's command line; on POSIX
/// "/bin/sh -c " and the text that the interpreter stand-in gives the shell.
std::string HandedOver(const std::string& commandLine);

/// The value of environment variable `name`, in `*value`; false if it is not
/// set.
bool EnvironmentVariable(const std::string& name, std::string* value);

/// The full path of the program file at `path` (FullPathOf), on Windows with
/// its name spelt as its folder spells it; empty if there is none: nothing, a
/// folder, or on POSIX a file this user may not execute.
std::string ProgramFileAt(const std::string& path);

/// Whether `path` names a folder.
bool IsFolder(const std::string& path);

/// `path` made absolute against the current folder, without `.` and `..`
/// parts; `path` itself if that cannot be done.
std::string FullPathOf(const std::string& path);

/// The program that App Paths registers for `name` (`name.exe` when it has no
/// extension): the current user's entry, else the machine's. Empty if neither
/// has one, and always on POSIX.
std::string AppPathsProgram(const std::string& name);

/// Writes `line` and the platform's line end (CR LF on Windows, LF on POSIX)
/// to standard output: the bytes unchanged where that is a file or a pipe, and
/// on a Windows console converted from the ANSI code page, so that every
/// character shows as it is.
void WriteReportLine(const std::string& line);

/// When this program is the only one on its console, as from a shortcut or
/// the Run dialog, whose console window closes with it: says "Press Enter to
/// close.", titles the window "runabout-check: press Enter to close", and
/// waits for Enter. Anywhere else, and always on POSIX, returns at
/// once.
void WaitIfAloneOnConsole();
