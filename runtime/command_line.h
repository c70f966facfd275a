// The program's arguments: one raw command line, split by Runabout's own rules.
#pragma once

#include <string>

/// Records what the process entry received. Windows ignores both, as it reads
/// the raw command line from the platform; POSIX has no raw command line and
/// uses argv as the shell delivered it.
void StartCommandLine(int argc, char** argv);

/// The argument at `index`: 0 is the program's own name as written, 1 and up
/// the arguments proper. The empty text means "no such argument": a negative
/// index, an index past the last token, or an empty token.
std::string CommandArgument(int index);

/// The number of consecutive non-empty arguments from index 1 on. The first
/// empty argument ends the count, so nothing behind it is counted.
int CommandArgumentCount();

/// How many tokens the command line holds, the program's own name and empty
/// tokens included: CommandArgument gives the empty text for every index from
/// there on.
int CommandTokenCount();

/// Splits `commandLine` (NUL-terminated) and returns its token at `index`.
/// Only the space separates tokens, and only a double quote at the start of a
/// token opens quotes; every other byte, the tab included, is ordinary.
std::string ArgumentOfCommandLine(const char* commandLine, int index);

/// How many tokens `commandLine` (NUL-terminated) holds, as
/// ArgumentOfCommandLine reads them: it gives the empty text for every index
/// from there on.
int TokenCountOfCommandLine(const char* commandLine);
