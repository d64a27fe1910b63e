// The sources of randomness of Production renders: Knuth's subtractive generator, the two
// constant tables of jittered sample offsets, and the draws of a seeded render's pixels.
#pragma once

#include <array>
#include <cstdint>

namespace kelto {

// Knuth's subtractive generator (modulus 10^9, seed constant 161803398, 55-entry table, fill
// step 21, four mixing rounds). Each render owns one, seeded explicitly, so renders never
// disturb each other and the same seed gives the same sequence.
class SubtractiveRandom {
  public:
    explicit SubtractiveRandom(long seed);
    // A value in [0, 1).
    double Next();

  private:
    std::array<long, 56> table_{};  // entries 1..55
    int next_ = 0;
    int next_far_ = 31;
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

// The jitter sets and lens sets one Production pixel of a seeded render takes: drawn from the
// seed and the pixel's position alone, so that a pixel is sampled alike whichever pixels are
// traced before it, in whatever order, on however many threads or machines.
struct PixelDraws {
    int first_pass_set = 0;   // 0 .. kJitterSets - 1
    int first_pass_lens = 0;  // 0 .. lens_sets - 1
    int refinement_set = 0;
    int refinement_lens = 0;
};
PixelDraws PixelDrawsFor(long seed, int x, int y, int lens_sets);

}  // namespace kelto
