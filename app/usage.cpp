// The usage text: a framed banner, a usage line and an example line.
#include <cstddef>
#include <string>

#include "app/main.h"
#include "runtime/console.h"

namespace {

constexpr std::size_t kFrameWidth = 31;  // Content columns between the '='s.
constexpr char kMargin[] = "     ";
constexpr char kQuote[] = "\"";
constexpr char kWebAddress[] = "https://runabout.example.org";

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
