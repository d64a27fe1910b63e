// How the C library's allocator is set up for a process that reads a scene, builds meshes and
// hierarchies and traces pictures: work that allocates tens of megabytes in large blocks,
// much of it touched once.
#pragma once

#include <cstddef>

namespace kelto {

// Process-wide: tunes glibc's allocator (elsewhere it does nothing).
// - Large blocks (up to 32 MiB, the most glibc allows) come from the heap instead of a
//   mapping each, and freed memory stays in the heap for the next block instead of going
//   back at once.
// - The heap grows `reserve` bytes ahead, and that stretch is offered to the kernel for
//   transparent huge pages: a first touch then maps 2 MiB instead of 4 KiB. In a virtual
//   machine a page fault costs some microseconds, and a render touches thousands of pages.
// - One heap for all threads: the render threads allocate little, and their memory then
//   comes from the same huge pages.
// Call it first thing in main(), before threads start. Memory is only reserved, not used:
// untouched pages cost nothing.
void TuneHeapForLargeWork(std::size_t reserve = std::size_t{24} << 20);

}  // namespace kelto
