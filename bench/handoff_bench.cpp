// The hand-off benchmark: times Runabout's whole run against the bare
// hand-off driver doing the same hand-offs, for several command counts, the
// runs of the two programs interleaved, and prints the medians and each
// program's peak memory as Markdown tables. A count of 0 measures start-up
// alone: Runabout then prints its usage, the driver starts nothing.
//
//   runabout_bench --runabout PATH --bare PATH --command WORD
//                  [--runs R] [--counts 2,10,100] [--out FILE] [--raw FILE]
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

// Runabout's exit status after printing its usage.
constexpr int kUsageStatus = 2;

struct Options {
  std::string runabout;
  std::string bare;
  std::string command;
  int runs = 5;
  std::vector<int> counts = {2, 10, 100};
  std::string out;
  std::string raw;
};

// The times of all runs of one program for one command count.
struct Series {
  std::vector<double> seconds;
  int unexpectedStatus = 0;  // Runs that ended with an unexpected status.
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
    } else if (name == "--out") {
      options.out = value;
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

std::string Mebibytes(double peak) {
  return peak < 0 ? "n/a" : Format("%.1f MiB", peak);
}

std::vector<std::string> Commands(const Options& options, int count) {
  return std::vector<std::string>(static_cast<size_t>(count), options.command);
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  FILE* out = stdout;
  if (!options.out.empty()) {
    out = std::fopen(options.out.c_str(), "w");
    if (out == nullptr) Fail("cannot write " + options.out);
  }
  std::ofstream raw;
  if (!options.raw.empty()) {
    raw.open(options.raw);
    raw << "program\tcommands\trun\tseconds\texit_status\n";
  }
  // Row 0 is start-up alone; the others are the counts asked for.
  std::vector<int> counts = {0};
  counts.insert(counts.end(), options.counts.begin(), options.counts.end());

  // One untimed run of each warms the caches both depend on.
  TimedRun(options.runabout, Commands(options, 2));
  TimedRun(options.bare, Commands(options, 2));

  std::vector<Series> runabout(counts.size());
  std::vector<Series> bare(counts.size());
  for (int run = 0; run < options.runs; ++run) {
    std::fprintf(stderr, "run %d of %d\n", run + 1, options.runs);
    for (size_t c = 0; c < counts.size(); ++c) {
      // The two take turns at going first, so neither always meets a machine
      // still busy with the other's background commands.
      for (int turn = 0; turn < 2; ++turn) {
        const bool ours = (turn + run + static_cast<int>(c)) % 2 == 0;
        const RunCost cost = TimedRun(ours ? options.runabout : options.bare,
                                      Commands(options, counts[c]));
        if (!cost.started) {
          Fail("cannot start " + (ours ? options.runabout : options.bare));
        }
        Series& series = ours ? runabout[c] : bare[c];
        series.seconds.push_back(cost.seconds);
        const int expected = ours && counts[c] == 0 ? kUsageStatus : 0;
        if (cost.exitStatus != expected) ++series.unexpectedStatus;
        if (raw.is_open()) {
          raw << (ours ? "runabout" : "bare") << '\t' << counts[c] << '\t'
              << run + 1 << '\t' << cost.seconds << '\t' << cost.exitStatus
              << '\n';
        }
      }
    }
  }

  // Memory is read in runs of its own, one per program and count, so that
  // reading it cannot slow the timed runs down.
  std::fprintf(stderr, "memory runs\n");
  std::vector<double> runaboutPeaks;
  std::vector<double> barePeaks;
  for (const int count : counts) {
    runaboutPeaks.push_back(
        PeakMemoryRun(options.runabout, Commands(options, count)));
    barePeaks.push_back(PeakMemoryRun(options.bare, Commands(options, count)));
  }

  std::fprintf(out,
               "| Commands | Runabout | Bare hand-off | Ratio | Overhead per "
               "command | Within 10 ms | Paired | Net of start-up |\n"
               "|---:|---:|---:|---:|---:|:---:|---:|---:|\n");
  const double startUp = Median(runabout[0].seconds) - Median(bare[0].seconds);
  int unexpectedStatus = 0;
  for (size_t c = 0; c < counts.size(); ++c) {
    const double ours = Median(runabout[c].seconds);
    const double theirs = Median(bare[c].seconds);
    const std::string ratio = Format("%.2f", ours / theirs);
    unexpectedStatus += runabout[c].unexpectedStatus + bare[c].unexpectedStatus;
    if (counts[c] == 0) {
      std::fprintf(out, "| 0 (start-up) | %s | %s | %s | %s | | | |\n",
                   Milliseconds(runabout[c].seconds).c_str(),
                   Milliseconds(bare[c].seconds).c_str(), ratio.c_str(),
                   Format("%.1f ms in all", startUp * 1000.0).c_str());
      continue;
    }
    const double count = counts[c];
    const double overhead = (ours - theirs) / count;
    // Run r of each program ran back to back, so their difference is little
    // moved by load that comes and goes between runs.
    std::vector<double> paired;
    for (size_t r = 0; r < runabout[c].seconds.size(); ++r) {
      paired.push_back((runabout[c].seconds[r] - bare[c].seconds[r]) / count);
    }
    std::fprintf(
        out, "| %d | %s | %s | %s | %s | %s | %s | %s |\n", counts[c],
        Milliseconds(runabout[c].seconds).c_str(),
        Milliseconds(bare[c].seconds).c_str(), ratio.c_str(),
        Format("%.2f ms", overhead * 1000.0).c_str(),
        overhead <= kPollSeconds ? "yes" : "no", Milliseconds(paired).c_str(),
        Format("%.2f ms", (ours - theirs - startUp) / count * 1000.0).c_str());
  }
  std::fprintf(
      out,
      "\nTimes: median (min–max) of %d runs each, the two programs "
      "interleaved, after one untimed run of each. Start-up: Runabout with no "
      "arguments (it prints its usage) against the bare driver starting "
      "nothing. Overhead per command: (Runabout − bare) / commands, from the "
      "medians; the target is at most one 10 ms polling period. Paired: the "
      "median (min–max) of that difference taken run by run. Net of start-up: "
      "the overhead per command once the start-up difference is taken off.\n\n",
      options.runs);

  std::fprintf(out,
               "| Commands | Runabout peak memory | Bare hand-off peak memory "
               "|\n|---:|---:|---:|\n");
  for (size_t c = 0; c < counts.size(); ++c) {
    std::fprintf(out, "| %d | %s | %s |\n", counts[c],
                 Mebibytes(runaboutPeaks[c]).c_str(),
                 Mebibytes(barePeaks[c]).c_str());
  }
  std::fprintf(out,
               "\nPeak memory: %s; one further run of each program per "
               "count.\n",
               kPeakMemoryLabel);
  if (unexpectedStatus > 0) {
    std::fprintf(out,
                 "\n%d timed run(s) ended with an unexpected status (the bare "
                 "driver's status counts the interpreters it could not "
                 "start).\n",
                 unexpectedStatus);
  }
  if (out != stdout) std::fclose(out);
  return 0;
}
