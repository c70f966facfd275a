// Global operator new for a test build of the real program: allocation number
// RUNABOUT_FAIL_ALLOCATION (1-based) and every one after it fail as if memory
// had run out, so the program's own out-of-memory path can be driven end to
// end. A process forked from it goes on counting from its parent's count, so
// memory runs out in forked processes too, as it would for real.
#include <cstdlib>
#include <new>

namespace {

long gAllocations = 0;

bool ShouldFail() {
  static const char* const limit = std::getenv("RUNABOUT_FAIL_ALLOCATION");
  return limit != nullptr && ++gAllocations >= std::strtol(limit, nullptr, 10);
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
