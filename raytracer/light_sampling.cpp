#include "light_sampling.h"

#include <bit>
#include <numbers>

namespace kelto {
namespace {

// SplitMix64's finaliser: every bit of the input stirs every bit of the output.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace

SampleStream::SampleStream(long seed, const Vec3f& point, std::uint32_t what, int depth) {
    std::uint64_t h = Mix(static_cast<std::uint64_t>(seed));
    h = Mix(h ^ ((static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(point.x)) << 32) |
                 std::bit_cast<std::uint32_t>(point.y)));
    h = Mix(h ^ ((static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(point.z)) << 32) | what));
    state_ = Mix(h ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(depth)));
}

float SampleStream::Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    // The top 24 bits: every value a float holds exactly, below 1.
    return static_cast<float>(Mix(state_) >> 40) * 0x1p-24f;
}

TangentFrame FrameAbout(const Vec3f& n) {
    // Duff et al.'s branchless basis: no division by a small number whatever the direction.
    const float sign = std::copysign(1.0f, n.z);
    const float a = -1.0f / (sign + n.z);
    const float b = n.x * n.y * a;
    return {{1.0f + sign * n.x * n.x * a, sign * b, -sign * n.x}, {b, sign + n.y * n.y * a, -n.y}};
}

DiscPoint ConcentricDisc(float u, float v) {
    const float a = 2.0f * u - 1.0f;
    const float b = 2.0f * v - 1.0f;
    if (a == 0.0f && b == 0.0f) {
        return {0.0f, 0.0f};
    }
    constexpr float kQuarter = std::numbers::pi_v<float> / 4.0f;
    float radius = 0.0f, angle = 0.0f;
    if (std::abs(a) > std::abs(b)) {
        radius = a;
        angle = kQuarter * (b / a);
    } else {
        radius = b;
        angle = 2.0f * kQuarter - kQuarter * (a / b);
    }
    return {radius * std::cos(angle), radius * std::sin(angle)};
}

}  // namespace kelto
