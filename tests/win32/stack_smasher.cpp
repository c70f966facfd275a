// Test helper with the Windows programs' own stack guard, built with their
// flags. Without an argument it prints the guard's value; with one, it copies
// the argument into an 8-byte buffer on its stack, which a long argument
// overruns, and the guard must end the process before the damaged frame
// returns.
#include <cstdint>
#include <cstdio>

// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" std::uintptr_t __stack_chk_guard;

namespace {

// Not inlined, so that the buffer sits in a guarded frame of its own.
__attribute__((noinline)) int CopyOnStack(const char* text) {
  char buffer[8];
  char* out = buffer;
  while (*text != '\0') {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    *out++ = *text++;
  }
  *out = '\0';
  return std::puts(buffer);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    return CopyOnStack(argv[1]) < 0 ? 1 : 0;
  }
  std::printf("%llx\n", static_cast<unsigned long long>(__stack_chk_guard));
  return 0;
}
