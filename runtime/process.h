// Starting one child process and waiting for it.
#pragma once

#include <string>

/// Prepares the runner: notes what the programs started later must get back
/// of Runabout's own start-up state, and which interpreter runs them. Called
/// once, before start-up changes any of that state.
void StartProcessRunner();

/// Starts `commandLine` as a child process and blocks until that child has
/// ended, polling every 10 ms; the first check comes after the first pause.
/// A child that cannot be started is passed over: the caller learns neither
/// whether it started nor how it ended. On POSIX, where a process limit can
/// refuse the fork, a line on standard error says so.
void RunAndWait(const std::string& commandLine);
