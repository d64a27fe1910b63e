#include "heap_tuning.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace kelto {

#if defined(__GLIBC__)
namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// Keeps the compiler from pairing the probe's allocation with its release and dropping both.
void* volatile heap_probe = nullptr;

// The heap's unaligned head, held for the life of the process (see below).
void* volatile heap_head = nullptr;

// Whether TuneHeapForLargeWork advised a stretch of the heap (set once, on the main thread,
// before any other thread starts).
bool heap_tuned = false;

std::uintptr_t HeapEnd() {
    return reinterpret_cast<std::uintptr_t>(sbrk(0));
}

// Grows the heap by about `bytes` and returns the new stretch into its free top; advises the
// huge-page-aligned part of what the heap grew by. False when the heap did not grow (the
// allocator is not glibc's own, under a sanitizer) or the kernel takes no advice.
bool GrowAdvised(std::size_t bytes, std::uintptr_t& first) {
    const std::uintptr_t before = HeapEnd();
    heap_probe = std::malloc(bytes);
    std::free(heap_probe);
    heap_probe = nullptr;
    const std::uintptr_t after = HeapEnd();
    first = (before + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = after & ~(kHugePage - 1);
    if (before == static_cast<std::uintptr_t>(-1) || last <= first) {
        return false;
    }
    return madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE) == 0;
}

}  // namespace

void TuneHeapForLargeWork(std::size_t reserve) {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());  // never: the reserve stays
    mallopt(M_TOP_PAD, 16 << 20);
    mallopt(M_ARENA_MAX, 1);
    std::uintptr_t first = 0;
    if (!GrowAdvised(reserve, first)) {
        return;
    }
    heap_tuned = true;
    // The heap's start up to the first huge page boundary can only have small pages: fill it
    // with one block that is never used or released, so that the next blocks come from the
    // huge pages. Untouched, it costs address space only.
    void* const probe = std::malloc(1);  // where the heap's free top begins
    const auto free_from = reinterpret_cast<std::uintptr_t>(probe) + 64;  // past its header
    std::free(probe);
    if (free_from < first) {
        heap_head = std::malloc(first - free_from);
    }
}

void ReserveHeapForLargeWork(std::size_t bytes) {
    // Below what the trim threshold lets the free top hold, so that it stays.
    constexpr std::size_t kMost = std::size_t{1} << 30;
    std::uintptr_t first = 0;
    if (heap_tuned && bytes > 0) {
        GrowAdvised(std::min(bytes, kMost), first);
    }
}

void AdviseHugePages(void* block, std::size_t bytes) {
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (block != nullptr && last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
}
#else
void TuneHeapForLargeWork(std::size_t) {}
void ReserveHeapForLargeWork(std::size_t) {}
void AdviseHugePages(void*, std::size_t) {}
#endif

}  // namespace kelto
