// The hand-off benchmark: times Runabout's whole run against the bare
// hand-off driver doing the same hand-offs, for several command counts, the
// runs of the two programs interleaved, and prints the medians and each
// program's peak memory as Markdown tables. A count of 0 measures start-up
// alone: Runabout then prints its usage, the driver starts nothing.
//
//   runabout_bench --runabout PATH --bare PATH --command WORD
//                  [--runs R] [--counts 2,10,100] [--out FILE] [--raw FILE]
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
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

// Everything measured, one row per command count: row 0 is start-up alone,
// the others are the counts asked for.
struct Results {
  std::vector<int> counts;
  std::vector<Series> runabout;
  std::vector<Series> bare;
  std::vector<double> runaboutPeaks;  // MiB; negative when unknown.
  std::vector<double> barePeaks;
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "runabout_bench: %s\n", message.c_str());
  std::exit(2);
}

// The whole of `text` as a decimal number; `what` names it when it is not one.
int ParseNumber(const std::string& text, const std::string& what) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || value < INT_MIN ||
      value > INT_MAX) {
    Fail(what + " must be a whole number: " + text);
  }
  return static_cast<int>(value);
}

std::vector<int> ParseCounts(const std::string& text) {
  std::vector<int> counts;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const int count = ParseNumber(item, "each count");
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
      options.runs = ParseNumber(value, "--runs");
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

// Times one run of Runabout (`ours`) or of the bare driver with the commands
// of row `row`, adds it to that program's series and, when `raw` is open,
// writes it there as line `run` of the row.
void TimeRun(const Options& options, bool ours, size_t row, int run,
             Results* results, std::ofstream* raw) {
  const std::string& program = ours ? options.runabout : options.bare;
  const int count = results->counts[row];
  const RunCost cost = TimedRun(program, Commands(options, count));
  if (!cost.started) Fail("cannot start " + program);
  Series& series = ours ? results->runabout[row] : results->bare[row];
  series.seconds.push_back(cost.seconds);
  const int expected = ours && count == 0 ? kUsageStatus : 0;
  if (cost.exitStatus != expected) ++series.unexpectedStatus;
  if (raw->is_open()) {
    *raw << (ours ? "runabout" : "bare") << '\t' << count << '\t' << run + 1
         << '\t' << cost.seconds << '\t' << cost.exitStatus << '\n';
  }
}

// The timed runs: `options.runs` rounds, each timing both programs once per
// row, after one untimed run of each.
void RunTimedSeries(const Options& options, Results* results,
                    std::ofstream* raw) {
  // One untimed run of each warms the caches both depend on.
  TimedRun(options.runabout, Commands(options, 2));
  TimedRun(options.bare, Commands(options, 2));

  results->runabout.assign(results->counts.size(), Series());
  results->bare.assign(results->counts.size(), Series());
  for (int run = 0; run < options.runs; ++run) {
    std::fprintf(stderr, "run %d of %d\n", run + 1, options.runs);
    for (size_t row = 0; row < results->counts.size(); ++row) {
      // The two take turns at going first, so neither always meets a machine
      // still busy with the other's background commands.
      for (int turn = 0; turn < 2; ++turn) {
        const bool ours = (turn + run + static_cast<int>(row)) % 2 == 0;
        TimeRun(options, ours, row, run, results, raw);
      }
    }
  }
}

// Memory is read in runs of its own, one per program and row, so that reading
// it cannot slow the timed runs down.
void RunMemorySeries(const Options& options, Results* results) {
  std::fprintf(stderr, "memory runs\n");
  for (const int count : results->counts) {
    results->runaboutPeaks.push_back(
        PeakMemoryRun(options.runabout, Commands(options, count)));
    results->barePeaks.push_back(
        PeakMemoryRun(options.bare, Commands(options, count)));
  }
}

// The table of times, one row per command count, and its notes.
void PrintTimes(std::ostream& out, const Results& results, int runs) {
  out << "| Commands | Runabout | Bare hand-off | Ratio | Overhead per "
         "command | Within 10 ms | Paired | Net of start-up |\n"
         "|---:|---:|---:|---:|---:|:---:|---:|---:|\n";
  const double startUp =
      Median(results.runabout[0].seconds) - Median(results.bare[0].seconds);
  for (size_t c = 0; c < results.counts.size(); ++c) {
    const std::vector<double>& runabout = results.runabout[c].seconds;
    const std::vector<double>& bare = results.bare[c].seconds;
    const double ours = Median(runabout);
    const double theirs = Median(bare);
    const std::string ratio = Format("%.2f", ours / theirs);
    if (results.counts[c] == 0) {
      out << "| 0 (start-up) | " << Milliseconds(runabout) << " | "
          << Milliseconds(bare) << " | " << ratio << " | "
          << Format("%.1f ms in all", startUp * 1000.0) << " | | | |\n";
      continue;
    }
    const double count = results.counts[c];
    const double overhead = (ours - theirs) / count;
    // Run r of each program ran back to back, so their difference is little
    // moved by load that comes and goes between runs.
    std::vector<double> paired;
    for (size_t r = 0; r < runabout.size(); ++r) {
      paired.push_back((runabout[r] - bare[r]) / count);
    }
    out << "| " << results.counts[c] << " | " << Milliseconds(runabout) << " | "
        << Milliseconds(bare) << " | " << ratio << " | "
        << Format("%.2f ms", overhead * 1000.0) << " | "
        << (overhead <= kPollSeconds ? "yes" : "no") << " | "
        << Milliseconds(paired) << " | "
        << Format("%.2f ms", (ours - theirs - startUp) / count * 1000.0)
        << " |\n";
  }
  out << "\nTimes: median (min–max) of " << runs
      << " runs each, the two programs interleaved, after one untimed run of "
         "each. Start-up: Runabout with no arguments (it prints its usage) "
         "against the bare driver starting nothing. Overhead per command: "
         "(Runabout − bare) / commands, from the medians; the target is at "
         "most one 10 ms polling period. Paired: the median (min–max) of that "
         "difference taken run by run. Net of start-up: the overhead per "
         "command once the start-up difference is taken off.\n\n";
}

// The table of peak memory, one row per command count, and its note.
void PrintMemory(std::ostream& out, const Results& results) {
  out << "| Commands | Runabout peak memory | Bare hand-off peak memory |\n"
         "|---:|---:|---:|\n";
  for (size_t c = 0; c < results.counts.size(); ++c) {
    out << "| " << results.counts[c] << " | "
        << Mebibytes(results.runaboutPeaks[c]) << " | "
        << Mebibytes(results.barePeaks[c]) << " |\n";
  }
  out << "\nPeak memory: " << kPeakMemoryLabel
      << "; one further run of each program per count.\n";
}

// A note on the timed runs that ended with an unexpected status, if any did.
void PrintUnexpectedStatus(std::ostream& out, const Results& results) {
  int unexpectedStatus = 0;
  for (size_t c = 0; c < results.counts.size(); ++c) {
    unexpectedStatus +=
        results.runabout[c].unexpectedStatus + results.bare[c].unexpectedStatus;
  }
  if (unexpectedStatus > 0) {
    out << "\n"
        << unexpectedStatus
        << " timed run(s) ended with an unexpected status (the bare driver's "
           "status counts the interpreters it could not start).\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  std::ofstream file;
  if (!options.out.empty()) {
    file.open(options.out);
    if (!file) Fail("cannot write " + options.out);
  }
  std::ostream& out = options.out.empty() ? std::cout : file;
  std::ofstream raw;
  if (!options.raw.empty()) {
    raw.open(options.raw);
    if (!raw) Fail("cannot write " + options.raw);
    raw << "program\tcommands\trun\tseconds\texit_status\n";
  }

  Results results;
  results.counts = {0};
  results.counts.insert(results.counts.end(), options.counts.begin(),
                        options.counts.end());
  RunTimedSeries(options, &results, &raw);
  RunMemorySeries(options, &results);

  PrintTimes(out, results, options.runs);
  PrintMemory(out, results);
  PrintUnexpectedStatus(out, results);
  out.flush();
  if (!out) Fail("cannot write the tables");
  return 0;
}
