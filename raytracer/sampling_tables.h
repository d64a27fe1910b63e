// The process-wide sources of randomness of Production renders: Knuth's subtractive
// generator, and the two constant tables of jittered sample offsets.
#pragma once

#include <cstdint>
#include <optional>

namespace kelto {

// Knuth's subtractive generator (modulus 10^9, seed constant 161803398, 55-entry table).
// Process-wide, as renders have always shared it: seeded from the clock the first time it is
// used (or by Seed), it then continues its sequence across renders. Guarded by a lock so
// that concurrent renders cannot corrupt it.
class SubtractiveRandom {
  public:
    // A value in [0, 1).
    static double Next();
    // Restarts the sequence from `seed` (for repeatable renders).
    static void Seed(long seed);
};

// Offsets in [0, 1) x [0, 1): 1000 sets of 4 pairs for a pixel's first pass and 1000 sets of
// 16 pairs for its refinement. They never change.
struct JitterPair {
    float x;
    float y;
};
inline constexpr int kJitterSets = 1000;
const JitterPair& FirstPassJitter(int set, int sample);
const JitterPair& RefinementJitter(int set, int sample);

}  // namespace kelto
