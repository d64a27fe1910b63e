#include "sampling_tables.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace kelto {
namespace {

constexpr long kModulus = 1000000000;
constexpr long kSeedConstant = 161803398;

struct JitterTables {
    std::vector<JitterPair> first_pass;
    std::vector<JitterPair> refinement;

    JitterTables() : first_pass(kJitterSets * 4), refinement(kJitterSets * 16) {
        // Well spread fixed offsets: one point in each quarter (or sixteenth) of the pixel,
        // placed by a fixed linear congruential sequence. The first set starts with the
        // offsets the program has always used.
        std::uint32_t state = 0x2545F491u;
        auto next = [&state] {
            state = state * 1664525u + 1013904223u;
            return static_cast<float>((state >> 8) & 0xFFFFFF) / 16777216.0f;
        };
        for (int s = 0; s < kJitterSets; ++s) {
            for (int i = 0; i < 4; ++i) {
                first_pass[static_cast<std::size_t>(s * 4 + i)] = {((i % 2) + next()) * 0.5f,
                                                                   ((i / 2) + next()) * 0.5f};
            }
            for (int j = 0; j < 16; ++j) {
                refinement[static_cast<std::size_t>(s * 16 + j)] = {((j % 4) + next()) * 0.25f,
                                                                    ((j / 4) + next()) * 0.25f};
            }
        }
        first_pass[0] = {0.2185f, 0.1764f};
        first_pass[1] = {0.8463f, 0.2979f};
        first_pass[2] = {0.3417f, 0.9562f};
        first_pass[3] = {0.6325f, 0.1682f};
    }
};

const JitterTables& Tables() {
    static const JitterTables tables;
    return tables;
}

// A 64-bit mixing function (the finaliser of the SplitMix generator): every input bit moves
// about half the output bits.
std::uint64_t Mix(std::uint64_t z) {
    z += 0x9E3779B97F4A7C15u;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

}  // namespace

SubtractiveRandom::SubtractiveRandom(long seed) {
    // Folded into the generator's range first: the absolute value of any long is then defined.
    long mj = (kSeedConstant - std::labs(seed % kModulus)) % kModulus;
    if (mj < 0)
        mj += kModulus;
    table_[55] = mj;
    long mk = 1;
    for (int i = 1; i <= 54; ++i) {
        const int ii = (21 * i) % 55;
        table_[static_cast<std::size_t>(ii)] = mk;
        mk = mj - mk;
        if (mk < 0)
            mk += kModulus;
        mj = table_[static_cast<std::size_t>(ii)];
    }
    for (int round = 0; round < 4; ++round) {
        for (int i = 1; i <= 55; ++i) {
            long& entry = table_[static_cast<std::size_t>(i)];
            entry -= table_[static_cast<std::size_t>(1 + (i + 30) % 55)];
            if (entry < 0)
                entry += kModulus;
        }
    }
}

double SubtractiveRandom::Next() {
    if (++next_ == 56)
        next_ = 1;
    if (++next_far_ == 56)
        next_far_ = 1;
    long mj = table_[static_cast<std::size_t>(next_)] - table_[static_cast<std::size_t>(next_far_)];
    if (mj < 0)
        mj += kModulus;
    table_[static_cast<std::size_t>(next_)] = mj;
    return static_cast<double>(mj) * 1e-9;
}

const JitterPair& FirstPassJitter(int set, int sample) {
    return Tables().first_pass[static_cast<std::size_t>(set * 4 + sample)];
}

const JitterPair& RefinementJitter(int set, int sample) {
    return Tables().refinement[static_cast<std::size_t>(set * 16 + sample)];
}

PixelDraws PixelDrawsFor(long seed, int x, int y, int lens_sets) {
    const std::uint64_t position =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) |
        static_cast<std::uint32_t>(y);
    const std::uint64_t first = Mix(Mix(static_cast<std::uint64_t>(seed)) ^ position);
    const std::uint64_t second = Mix(first);
    const auto sets = static_cast<std::uint64_t>(kJitterSets);
    const auto lenses = static_cast<std::uint64_t>(lens_sets);
    return {
        static_cast<int>((first & 0xFFFFFFFFu) % sets), static_cast<int>((first >> 32) % lenses),
        static_cast<int>((second & 0xFFFFFFFFu) % sets), static_cast<int>((second >> 32) % lenses)};
}

}  // namespace kelto
