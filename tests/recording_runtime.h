// A runtime for unit tests, linked in place of the platform's: it serves
// arguments from a raw line or a list, and records what the program starts,
// prints and reports instead of doing it.
#pragma once

#include <string>
#include <vector>

namespace recording {

/// Thrown by FatalError, which must not return.
struct FatalErrorRaised {
  int number;
};

/// CommandArgument splits this raw line, as on Windows.
void UseRawCommandLine(const std::string& line);

/// CommandArgument returns these, as argv on POSIX (index 0 is the name).
void UseArguments(const std::vector<std::string>& arguments);

/// Every line handed to RunAndWait, in order, since the last Use... call.
const std::vector<std::string>& StartedLines();

/// Every byte PrintLine wrote since the last Use... call.
const std::string& Output();

}  // namespace recording
