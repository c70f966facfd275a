// The runner runabout-check links in place of Runabout's: the start pass hands
// it each line as it would the real one, and it notes the line down instead
// of starting anything.
#include <string>
#include <vector>

#include "app/main.h"
#include "check/check.h"
#include "runtime/process.h"

namespace {

std::vector<PreviewedCommand> gCommands;

}  // namespace

const std::vector<PreviewedCommand>& PreviewedCommands() { return gCommands; }

bool RunAndWait(const std::string& commandLine) {
  gCommands.push_back({commandLine, StartPassArgument()});
  return true;
}
