// Windows only: the guard value and the failure handler of GCC's stack
// protector. A guarded function keeps a copy of __stack_chk_guard in its frame
// and, before it returns, calls __stack_chk_fail if the copy was overwritten.
// GCC's own libssp provides both, but seeds the guard through the crypto API,
// which would add ADVAPI32.dll to the programs' imports; this guard is seeded
// from KERNEL32 at start-up instead, the way other Windows compilers seed
// their security cookie.
#include <windows.h>

#include <cstdint>

// The names are the compiler's.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" {

/// The guard every guarded frame is checked against; this first value only
/// for what runs before SeedStackGuard.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
std::uintptr_t __stack_chk_guard = 0x2B992DDFA232;

/// Called by a guarded function whose frame was overwritten: the process
/// ends at once, before anything on the damaged stack is used, with
/// STATUS_STACK_BUFFER_OVERRUN, which Windows reports as a stack overrun.
[[noreturn]] void __stack_chk_fail() {
  // __fastfail, which mingw-w64's headers do not declare: interrupt 0x29
  // with the reason in ECX ends the process without running any handler.
  __asm__ volatile("int $0x29" : : "c"(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE));
  TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
  __builtin_unreachable();
}

}  // extern "C"
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

namespace {

// Seeds the guard before any of the programs' own code runs: the C runtime
// calls constructors before main, and with no guarded frame of ours open, so
// no frame holds the old value. Not guarded itself, as it changes the guard.
// The parts differ from run to run, from process to process and, with
// ASLR, in where the stack and the program lie. The low byte is zero, so a
// string copied over the guard cannot write it back: its zero ends the copy.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  std::uint64_t seed = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                       now.dwLowDateTime;
  seed ^= static_cast<std::uint64_t>(GetCurrentProcessId()) << 32;
  seed ^= GetCurrentThreadId();
  seed ^= GetTickCount64() << 40;
  seed ^= static_cast<std::uint64_t>(counter.QuadPart) << 24;
  seed ^= static_cast<std::uint64_t>(counter.QuadPart);
  // NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast)
  seed ^= reinterpret_cast<std::uintptr_t>(&counter);
  seed ^= reinterpret_cast<std::uintptr_t>(&__stack_chk_guard) << 16;
  // NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast)
  seed &= ~static_cast<std::uint64_t>(0xFF);
  if (seed == 0) {
    seed = 0x2B992DDFA200;
  }
  __stack_chk_guard = static_cast<std::uintptr_t>(seed);
}

}  // namespace
