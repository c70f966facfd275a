// The usage text: a framed banner, a usage line and an example line; for
// runaboutw.exe, which has no console, a message box instead.
#include <cstddef>
#include <string>

#include "app/main.h"
#include "runtime/console.h"

namespace {

constexpr char kWebAddress[] = "https://runabout.example.org";

}  // namespace

#ifdef RUNABOUT_WINDOWED
// runaboutw.exe has no console to print on, so its usage goes into a message
// box. A frame of '=' would not line up in the box's proportional font, so
// there is none, and the lines name the program the user started.
void ShowUsage() {
  const std::string usage =
      std::string(ProgramName) + " " + ProgramVersion +
      " starts several programs with one command, without a console window.\n"
      "\n"
      "Usage: runaboutw \"Program 1\" \"Program 2\"\n"
      "Example: runaboutw \"explorer " +
      kWebAddress + "\" calc.exe notepad.exe";
  ShowMessage(usage.c_str());
}
#else
namespace {

constexpr std::size_t kFrameWidth = 31;  // Content columns between the '='s.
constexpr char kMargin[] = "     ";
constexpr char kQuote[] = "\"";

// `content` centred in the frame; an odd spare column goes on the left.
std::string Framed(const std::string& content) {
  const std::size_t spare =
      content.size() < kFrameWidth ? kFrameWidth - content.size() : 0;
  const std::size_t right = spare / 2;
  const std::size_t left = spare - right;
  return kMargin + ("=" + std::string(left, ' ') + content) +
         std::string(right, ' ') + "=";
}

}  // namespace

void ShowUsage() {
  const std::string border = kMargin + std::string(kFrameWidth + 2, '=');
  const std::string empty = Framed("");

  PrintLine(" ");
  PrintLine(border);
  PrintLine(empty);
  PrintLine(Framed(std::string(ProgramName) + " " + ProgramVersion));
  PrintLine(Framed("Made by"));
  PrintLine(Framed("the Runabout developers"));
  PrintLine(Framed(kWebAddress));
  PrintLine(Framed("2026"));
  PrintLine(empty);
  PrintLine(border);
  PrintLine(" ");
  PrintLine(std::string("Usage: ") + ProgramName + " " + kQuote + "Program 1" +
            kQuote + " " + kQuote + "Program 2" + kQuote);
  PrintLine(std::string(" i.e. ") + ProgramName + " " + kQuote + "explorer " +
            kWebAddress + kQuote + " calc.exe notepad.exe");
}
#endif
