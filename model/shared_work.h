// Work shared among threads: the calling thread and up to `threads` - 1 helpers run the same
// function, which takes its pieces from a shared counter or cursor, so that however many of
// them run, they finish it. A helper the system cannot start leaves its share to the others.
#pragma once

#include <system_error>
#include <thread>
#include <vector>

namespace kelto {

// Runs `work` on this thread and on up to threads - 1 more, and waits for them all.
template <class Work>
void RunOnThreads(int threads, const Work& work) {
    std::vector<std::jthread> helpers;
    helpers.reserve(threads > 1 ? static_cast<std::size_t>(threads - 1) : 0);
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    work();
}

}  // namespace kelto
