// How the C library's allocator is set up for a process that reads a scene, builds meshes and
// hierarchies and traces pictures: work that allocates tens or hundreds of megabytes in large
// blocks, much of it touched once.
#pragma once

#include <cstddef>

namespace kelto {

// Process-wide: tunes glibc's allocator (elsewhere it does nothing).
// - Every block, however large, comes from the heap instead of a mapping of its own, and
//   freed memory stays in the heap for the next block instead of going back at once.
// - The heap grows `reserve` bytes ahead, and that stretch is offered to the kernel for
//   transparent huge pages: a first touch then maps 2 MiB instead of 4 KiB. In a virtual
//   machine a page fault costs some microseconds, and a render touches thousands of pages.
// - One heap for all threads: the render threads allocate little, and their memory then
//   comes from the same huge pages.
// Call it first thing in main(), before threads start. Memory is only reserved, not used:
// untouched pages cost nothing.
void TuneHeapForLargeWork(std::size_t reserve = std::size_t{24} << 20);

// Once the work's size is known (a scene file's length, say): grows the huge-page stretch of
// a tuned heap so that about `bytes` (up to 1 GiB) more fit in it. Does nothing on an untuned
// heap.
void ReserveHeapForLargeWork(std::size_t bytes);

// Offers the huge-page-aligned part of a large block just allocated (a buffer about to be
// filled front to back) to the kernel for transparent huge pages, whatever the heap's tuning:
// filling 26 MB then takes 13 page faults instead of 6 500. Does nothing elsewhere.
void AdviseHugePages(void* block, std::size_t bytes);

}  // namespace kelto
