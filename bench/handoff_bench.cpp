// The hand-off benchmark: times Runabout's whole run against the bare
// hand-off driver doing the same hand-offs, for several command counts, the
// two runs of each pair interleaved, and prints the medians as a Markdown
// table with Runabout's peak memory.
//
//   runabout_bench --runabout PATH --bare PATH --command WORD
//                  [--runs R] [--counts 2,10,100] [--raw FILE]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/timed_run.h"

namespace {

// Runabout's polling period: the target is an overhead per command within it.
constexpr double kPollSeconds = 0.010;

struct Options {
  std::string runabout;
  std::string bare;
  std::string command;
  int runs = 5;
  std::vector<int> counts = {2, 10, 100};
  std::string raw;
};

// The times of all runs of one program for one command count.
struct Series {
  std::vector<double> seconds;
  int failedRuns = 0;  // Runs that ended with a non-zero status.
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "runabout_bench: %s\n", message.c_str());
  std::exit(2);
}

std::vector<int> ParseCounts(const std::string& text) {
  std::vector<int> counts;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const int count = std::atoi(item.c_str());
    // Runabout needs two commands: with one it prints its usage instead.
    if (count < 2) Fail("each count must be 2 or more: " + item);
    counts.push_back(count);
  }
  if (counts.empty()) Fail("no counts given");
  return counts;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (i + 1 >= argc) Fail("missing value for " + name);
    const std::string value = argv[++i];
    if (name == "--runabout") {
      options.runabout = value;
    } else if (name == "--bare") {
      options.bare = value;
    } else if (name == "--command") {
      options.command = value;
    } else if (name == "--runs") {
      options.runs = std::atoi(value.c_str());
    } else if (name == "--counts") {
      options.counts = ParseCounts(value);
    } else if (name == "--raw") {
      options.raw = value;
    } else {
      Fail("unknown option " + name);
    }
  }
  if (options.runabout.empty() || options.bare.empty() ||
      options.command.empty()) {
    Fail("--runabout, --bare and --command are required");
  }
  // Both programs get the command as one plain argument on every platform.
  if (options.command.find_first_of(" \t\"") != std::string::npos) {
    Fail("the command must be one word without quotes");
  }
  if (options.runs < 1) Fail("--runs must be 1 or more");
  return options;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle]
                                : (values[middle - 1] + values[middle]) / 2.0;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

// "41.2 ms (39.8–45.0)": the median and the range of all runs.
std::string Milliseconds(const std::vector<double>& seconds) {
  const auto range = std::minmax_element(seconds.begin(), seconds.end());
  return Format("%.1f ms", Median(seconds) * 1000.0) + " (" +
         Format("%.1f", *range.first * 1000.0) + "–" +
         Format("%.1f", *range.second * 1000.0) + ")";
}

RunCost RunOrFail(const std::string& program,
                  const std::vector<std::string>& arguments) {
  const RunCost cost = TimedRun(program, arguments);
  if (!cost.started) Fail("cannot start " + program);
  return cost;
}

std::string Mebibytes(double peak) {
  return peak < 0 ? "n/a" : Format("%.1f MiB", peak);
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  std::ofstream raw;
  if (!options.raw.empty()) {
    raw.open(options.raw);
    raw << "program\tcommands\trun\tseconds\texit_status\n";
  }

  // One untimed run of each warms the caches both depend on.
  const std::vector<std::string> two(2, options.command);
  RunOrFail(options.runabout, two);
  RunOrFail(options.bare, two);

  std::vector<Series> runabout(options.counts.size());
  std::vector<Series> bare(options.counts.size());
  for (int run = 0; run < options.runs; ++run) {
    std::fprintf(stderr, "run %d of %d\n", run + 1, options.runs);
    for (size_t c = 0; c < options.counts.size(); ++c) {
      const std::vector<std::string> commands(
          static_cast<size_t>(options.counts[c]), options.command);
      // The two take turns at going first, so neither always meets a machine
      // still busy with the other's background commands.
      for (int turn = 0; turn < 2; ++turn) {
        const bool runaboutNow = (turn + run + static_cast<int>(c)) % 2 == 0;
        const std::string& program =
            runaboutNow ? options.runabout : options.bare;
        Series& series = runaboutNow ? runabout[c] : bare[c];
        const RunCost cost = RunOrFail(program, commands);
        series.seconds.push_back(cost.seconds);
        if (cost.exitStatus != 0) ++series.failedRuns;
        if (raw.is_open()) {
          raw << (runaboutNow ? "runabout" : "bare") << '\t'
              << options.counts[c] << '\t' << run + 1 << '\t' << cost.seconds
              << '\t' << cost.exitStatus << '\n';
        }
      }
    }
  }

  // Memory is read in runs of its own, one per program and count, so that
  // reading it cannot slow the timed runs down.
  std::fprintf(stderr, "memory runs\n");
  std::vector<double> runaboutPeaks;
  std::vector<double> barePeaks;
  for (const int count : options.counts) {
    const std::vector<std::string> commands(static_cast<size_t>(count),
                                            options.command);
    runaboutPeaks.push_back(PeakMemoryRun(options.runabout, commands));
    barePeaks.push_back(PeakMemoryRun(options.bare, commands));
  }

  std::printf(
      "| Commands | Runabout | Bare hand-off | Ratio | Overhead per command "
      "| Within 10 ms | Paired overhead per command |\n"
      "|---:|---:|---:|---:|---:|:---:|---:|\n");
  int failedRuns = 0;
  for (size_t c = 0; c < options.counts.size(); ++c) {
    const double count = options.counts[c];
    const double ours = Median(runabout[c].seconds);
    const double theirs = Median(bare[c].seconds);
    const double overhead = (ours - theirs) / count;
    // Run r of each program ran back to back, so their difference is little
    // moved by load that comes and goes between runs.
    std::vector<double> paired;
    for (size_t r = 0; r < runabout[c].seconds.size(); ++r) {
      paired.push_back((runabout[c].seconds[r] - bare[c].seconds[r]) / count);
    }
    std::printf("| %d | %s | %s | %s | %s | %s | %s |\n", options.counts[c],
                Milliseconds(runabout[c].seconds).c_str(),
                Milliseconds(bare[c].seconds).c_str(),
                Format("%.2f", ours / theirs).c_str(),
                Format("%.2f ms", overhead * 1000.0).c_str(),
                overhead <= kPollSeconds ? "yes" : "no",
                Milliseconds(paired).c_str());
    failedRuns += runabout[c].failedRuns + bare[c].failedRuns;
  }
  std::printf(
      "\nTimes: median (min–max) of %d runs each, the two programs "
      "interleaved, after one untimed run of each. Overhead per command: "
      "(Runabout − bare) / commands, from the medians; the target is at most "
      "one 10 ms polling period. Paired: the median (min–max) of that "
      "difference taken run by run.\n\n",
      options.runs);

  std::printf(
      "| Commands | Runabout peak memory | Bare hand-off peak memory |\n"
      "|---:|---:|---:|\n");
  for (size_t c = 0; c < options.counts.size(); ++c) {
    std::printf("| %d | %s | %s |\n", options.counts[c],
                Mebibytes(runaboutPeaks[c]).c_str(),
                Mebibytes(barePeaks[c]).c_str());
  }
  std::printf("\nPeak memory: %s; one further run of each program per count.\n",
              kPeakMemoryLabel);
  if (failedRuns > 0) {
    std::printf(
        "\n%d timed run(s) ended with a non-zero status (the bare driver's "
        "status counts the interpreters it could not start).\n",
        failedRuns);
  }
  return 0;
}
