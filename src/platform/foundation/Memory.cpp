#include "platform/foundation/Memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform::memory {

namespace {
// Blocks from this size on get pages of their own, given back when freed;
// free space at the heap's top beyond it is given back at once.
constexpr int kMemoryThreshold = 256 * 1024;
}  // namespace

void configureAllocator() {
#if defined(__GLIBC__)
    // Setting either also stops the allocator from moving them itself.
    ::mallopt(M_MMAP_THRESHOLD, kMemoryThreshold);
    ::mallopt(M_TRIM_THRESHOLD, kMemoryThreshold);
#endif
}

void returnFreedMemory() {
#if defined(__GLIBC__)
    // Also the free pages between blocks in use, in every arena, not only
    // the top of the main heap.
    ::malloc_trim(0);
#endif
}

}  // namespace platform::memory
