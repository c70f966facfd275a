// Runabout's own logic: the choice between starting programs and showing
// usage, the grouping of arguments into commands, and the usage text.
#pragma once

#include "app/version.h"  // ProgramVersion, from the build's project version.

/// Every command is started as this prefix followed directly by the command:
/// the first interpreter runs `start /B`, which starts a second one for the
/// command in the background of the same console, and then ends at once.
inline constexpr char ShellPrefix[] = "cmd /C start /B cmd /C ";

/// The fewest arguments that start programs: one program needs no launcher.
inline constexpr int kLeastArguments = 2;

/// Exit statuses of a run.
inline constexpr int kExitStarted = 0;  ///< Every command was handed off.
inline constexpr int kExitLost = 1;     ///< A command could not be handed off.
inline constexpr int kExitUsage = 2;    ///< Too few arguments; usage shown.

/// Runs the program once: with two or more arguments the start pass, else the
/// usage text. Returns the process's exit status.
int Main();

/// Groups the arguments into commands and starts each one, in order, waiting
/// for each hand-off before reading on. Returns false if a command could not
/// be handed off (the rest are still started).
bool StartPass();

/// The index of the argument the start pass is looking at: from 1 up while it
/// runs, so a runner it calls learns which argument ends the command.
int StartPassArgument();

/// Prints the 13-line usage text to standard output.
void ShowUsage();
