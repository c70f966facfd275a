// Global operator new for a test build of the real program: allocation number
// RUNABOUT_FAIL_ALLOCATION (1-based) and every one after it fail as if memory
// had run out, so the program's own out-of-memory path can be driven end to
// end. Only the first process fails; processes forked from it allocate
// normally, so the failure point stays in Runabout itself.
#include <cstdlib>
#include <new>

#ifdef _WIN32
#include <process.h>
#define RUNABOUT_GETPID _getpid
#else
#include <unistd.h>
#define RUNABOUT_GETPID getpid
#endif

namespace {

long gAllocations = 0;
// Taken before main; reading the process id cannot throw.
const int gFirstProcess = RUNABOUT_GETPID();  // NOLINT(cert-err58-cpp)

bool ShouldFail() {
  static const char* const limit = std::getenv("RUNABOUT_FAIL_ALLOCATION");
  if (limit == nullptr || RUNABOUT_GETPID() != gFirstProcess) {
    return false;
  }
  return ++gAllocations >= std::strtol(limit, nullptr, 10);
}

}  // namespace

// This is the allocator itself: malloc and free are its job.
// NOLINTBEGIN(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
void* operator new(std::size_t size) {
  for (;;) {
    if (!ShouldFail()) {
      if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
      }
    }
    // What the standard's operator new does on failure: the new-handler may
    // free memory and return, or end the process.
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) {
      throw std::bad_alloc();
    }
    handler();
  }
}

void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
// NOLINTEND(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
