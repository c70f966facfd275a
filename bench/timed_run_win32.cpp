// Windows runs: CreateProcessA and WaitForSingleObject, timed with the
// performance counter; peak memory from the running process's counters.
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <vector>

#include "bench/timed_run.h"

namespace {

constexpr DWORD kSampleMilliseconds = 1;

// Starts the program; false when it cannot be started.
bool Start(const std::string& program,
           const std::vector<std::string>& arguments,
           PROCESS_INFORMATION* child) {
  std::string commandLine = program;
  for (const std::string& argument : arguments) {
    commandLine += ' ';
    commandLine += argument;
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');

  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  ZeroMemory(child, sizeof(*child));
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, child) != FALSE;
}

int ExitStatusAndClose(const PROCESS_INFORMATION& child) {
  DWORD status = 0;
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return static_cast<int>(status);
}

}  // namespace

const char* const kPeakMemoryLabel =
    "the Windows process's PeakWorkingSetSize (GetProcessMemoryInfo), read "
    "every 1 ms while it runs, the last reading before it ends; under Wine "
    "this is the peak RSS (VmHWM) of the Linux process running the program, "
    "Wine's own libraries included";

RunCost TimedRun(const std::string& program,
                 const std::vector<std::string>& arguments) {
  RunCost cost;
  PROCESS_INFORMATION child;
  LARGE_INTEGER frequency;
  LARGE_INTEGER begin;
  LARGE_INTEGER end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  if (!Start(program, arguments, &child)) {
    return cost;
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  QueryPerformanceCounter(&end);
  cost.started = true;
  cost.seconds = static_cast<double>(end.QuadPart - begin.QuadPart) /
                 static_cast<double>(frequency.QuadPart);
  cost.exitStatus = ExitStatusAndClose(child);
  return cost;
}

double PeakMemoryRun(const std::string& program,
                     const std::vector<std::string>& arguments) {
  PROCESS_INFORMATION child;
  if (!Start(program, arguments, &child)) {
    return -1;
  }
  // Wine reads the counters from the running process only, so they are
  // sampled while it runs; the peak is a high-water mark, so the last
  // reading misses at most the final millisecond.
  double peak = -1;
  do {
    PROCESS_MEMORY_COUNTERS counters;
    ZeroMemory(&counters, sizeof(counters));
    if (GetProcessMemoryInfo(child.hProcess, &counters, sizeof(counters)) &&
        counters.PeakWorkingSetSize > 0) {
      peak =
          static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    }
  } while (WaitForSingleObject(child.hProcess, kSampleMilliseconds) ==
           WAIT_TIMEOUT);
  ExitStatusAndClose(child);
  return peak;
}
