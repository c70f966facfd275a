// Starting one child process and waiting for it.
#pragma once

#include <string>

/// Prepares the runner: notes what the programs started later must get back
/// of Runabout's own start-up state, and which interpreter runs them. Called
/// once, before start-up changes any of that state.
void StartProcessRunner();

/// Starts `commandLine` as a child process and blocks until that child has
/// ended, polling every 10 ms; the first check comes after the first pause.
/// A child that cannot be started is passed over. Returns false only when the
/// command is known not to have been handed off: on POSIX, when a fork failed
/// (a process limit), in Runabout or in the stage it waits for, of which a
/// line on standard error names the command. Otherwise, and always on
/// Windows, true, whether or not the program itself could be started.
bool RunAndWait(const std::string& commandLine);
