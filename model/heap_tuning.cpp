#include "heap_tuning.h"

#include <cstdint>
#include <cstdlib>

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

}  // namespace

void TuneHeapForLargeWork(std::size_t reserve) {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the most glibc allows
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
    mallopt(M_ARENA_MAX, 1);
    // Grow the heap by `reserve` now, release it into the heap's free top, and advise the
    // whole huge-page-aligned part of the new stretch.
    const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
    heap_probe = std::malloc(reserve);
    std::free(heap_probe);
    heap_probe = nullptr;
    const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const std::uintptr_t first = (before + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = after & ~(kHugePage - 1);
    if (before == static_cast<std::uintptr_t>(-1) || last <= first) {
        return;
    }
    // Fails harmlessly where the kernel has no transparent huge pages.
    if (madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE) != 0) {
        return;
    }
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
#else
void TuneHeapForLargeWork(std::size_t) {}
#endif

}  // namespace kelto
