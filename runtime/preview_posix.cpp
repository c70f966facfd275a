// POSIX side of runabout-check: the shell text the stand-in would give
// /bin/sh, and what the shell would find on PATH.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/console.h"
#include "runtime/interpreter.h"
#include "runtime/preview.h"

std::string HandedOver(const std::string& commandLine) {
  return std::string(kShell) + " -c " +
         ReadInterpreterStages(commandLine).shellText;
}

bool EnvironmentVariable(const std::string& name, std::string* value) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr) {
    return false;
  }
  *value = found;
  return true;
}

std::string ProgramFileAt(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      access(path.c_str(), X_OK) != 0) {
    return std::string();
  }
  return FullPathOf(path);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FullPathOf(const std::string& path) {
  std::string absolute = path;
  if (path.empty() || path.front() != '/') {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    if (error) {
      return path;
    }
    absolute = folder.string() + "/" + path;
  }
  // Read as the shell's `cd -L` reads it, part by part: symbolic links stay
  // as they are named.
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= absolute.size()) {
    std::size_t slash = absolute.find('/', start);
    if (slash == std::string::npos) {
      slash = absolute.size();
    }
    const std::string part = absolute.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::string full;
  for (const std::string& part : parts) {
    full += "/" + part;
  }
  return full.empty() ? "/" : full;
}

std::string AppPathsProgram(const std::string& /*name*/) {
  return std::string();
}

void WriteReportLine(const std::string& line) { WriteOutput(line + "\n"); }

void WaitIfAloneOnConsole() {}
