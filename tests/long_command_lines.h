// Command lines at the length limit of Windows, shared by the unit and the
// Windows end-to-end tests.
#pragma once

#include <string>

/// One group of `count` one-character arguments on a raw command line.
struct ArgumentGroup {
  std::string raw;      ///< The arguments as written after the program name.
  std::string command;  ///< The command the group is started as.
};

/// Open, close, then an ordinary quote: the group's first argument is "a,
/// then "b"s, and the last, c", closes it; a plain "d" follows the group.
inline ArgumentGroup GroupOfOneCharacterArguments(int count) {
  ArgumentGroup group{"\"\"\"a", "\"a"};
  for (int i = 2; i < count; ++i) {
    group.raw += " b";
    group.command += " b";
  }
  group.raw += " c\" d";
  group.command += " c\"";
  return group;
}
