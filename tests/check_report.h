// What runabout-check printed, read back by section, for the tests that
// compare it with what Runabout really does.
#pragma once

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

// What runabout-check printed, by section: the lines it would hand over, what
// it would not start, the program each command names (its search order left
// out), and on Windows what the interpreters read.
struct CheckReport {
  std::vector<std::string> handedOver;
  std::vector<std::string> notStarted;
  std::vector<std::string> programs;
  std::vector<std::string> notes;
};

inline CheckReport ReadCheckReport(const std::string& out) {
  CheckReport report;
  const std::string eol = out.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  // A line handed over is every byte between its heading and the next
  // heading, or the blank line before "Not started:": a command may hold a
  // line feed of its own.
  const std::string notStarted = eol + eol + "Not started:";
  std::size_t at = 0;
  for (int n = 1;; ++n) {
    const std::string heading = "Command " + std::to_string(n) + ", from ";
    const std::size_t found = out.find(heading, at);
    if (found == std::string::npos || (found != 0 && out[found - 1] != '\n')) {
      break;
    }
    const std::size_t start = out.find(":" + eol, found) + 1 + eol.size();
    std::size_t end =
        out.find(eol + "Command " + std::to_string(n + 1) + ", from ", start);
    if (end == std::string::npos) {
      end = out.find(notStarted, start);
    }
    report.handedOver.push_back(out.substr(start, end - start));
    at = end;
  }
  std::vector<std::string>* section = nullptr;
  std::istringstream lines(out.substr(at));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "Not started:") {
      section = &report.notStarted;
    } else if (line == "Programs:") {
      section = &report.programs;
      std::getline(lines, line);  // The search order.
    } else if (line == "Read by the interpreters:") {
      section = &report.notes;
    } else if (line.empty()) {
      section = nullptr;
    } else if (section != nullptr) {
      section->push_back(line);
    }
  }
  return report;
}
