// Starting one child process and waiting for it.
#pragma once

#include <string>

/// Starts `commandLine` as a child process and blocks until that child has
/// ended, polling every 10 ms; the first check comes after the first pause.
/// A child that cannot be started is passed over silently: the caller learns
/// neither whether it started nor how it ended.
void RunAndWait(const std::string& commandLine);
