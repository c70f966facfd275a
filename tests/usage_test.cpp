// The usage text, byte for byte, and the frame rule on every framed line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/main.h"
#include "tests/expected_banner.h"
#include "tests/recording_runtime.h"

namespace {

std::vector<std::string> Lines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = output.find("\r\n"); end != std::string::npos;
       end = output.find("\r\n", start)) {
    lines.push_back(output.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, output.size()) << "output does not end with CR LF";
  return lines;
}

std::string ShownUsage() {
  recording::UseArguments({"runabout"});
  ShowUsage();
  return recording::Output();
}

TEST(Usage, ExactBytes) { EXPECT_EQ(ShownUsage(), kExpectedBanner); }

TEST(Usage, FrameRule) {
  const std::vector<std::string> lines = Lines(ShownUsage());
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], " ");
  EXPECT_EQ(lines[10], " ");
  EXPECT_EQ(lines[11], "Usage: Runabout \"Program 1\" \"Program 2\"");
  EXPECT_EQ(lines[11].size(), 39u);
  for (std::size_t i = 1; i <= 9; ++i) {
    const std::string& line = lines[i];
    SCOPED_TRACE("line " + std::to_string(i + 1) + ": [" + line + "]");
    ASSERT_EQ(line.size(), 38u);
    EXPECT_EQ(line.substr(0, 5), "     ");
    EXPECT_EQ(line[5], '=');
    EXPECT_EQ(line[37], '=');
    if (i == 1 || i == 9) {
      EXPECT_EQ(line.substr(5), std::string(33, '='));
      continue;
    }
    // Centred in 31 columns; an odd spare column goes on the left.
    const std::string inner = line.substr(6, 31);
    const std::size_t first = inner.find_first_not_of(' ');
    if (first == std::string::npos) continue;  // The empty framed line.
    const std::size_t last = inner.find_last_not_of(' ');
    const std::size_t left = first;
    const std::size_t right = 30 - last;
    EXPECT_EQ(left - right, (31 - (last - first + 1)) % 2);
  }
  EXPECT_EQ(lines[3], "     =          Runabout 1.0         =");
  EXPECT_EQ(lines[2], "     =" + std::string(31, ' ') + "=");
}

TEST(Usage, SameTextForEveryShortCommandLine) {
  const std::string expected = kExpectedBanner;
  const std::vector<std::string> cases[] = {
      {"runabout"}, {"runabout", "calc.exe"}, {"runabout", "", "x", "y"}};
  for (const auto& argv : cases) {
    recording::UseArguments(argv);
    EXPECT_EQ(Main(), kExitUsage);
    EXPECT_EQ(recording::Output(), expected) << argv.size();
  }
}

}  // namespace
