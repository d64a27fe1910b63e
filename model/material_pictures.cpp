#include "material_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace kelto {
namespace {

// A value in [0, 1) for a lattice point, the same on every run.
double LatticeValue(int x, int y, unsigned seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^
                      static_cast<std::uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return static_cast<double>(h & 0xFFFFFFu) / static_cast<double>(0x1000000u);
}

double Wrap(int value, int period) {
    return static_cast<double>(((value % period) + period) % period);
}

// Smoothly interpolated lattice values with `period` cells across the unit square, so that
// the noise at u = 1 is the noise at u = 0. u and v in [0, 1].
double TiledNoise(double u, double v, int period, unsigned seed) {
    const double x = u * period;
    const double y = v * period;
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0;
    const double fy = y - y0;
    const double sx = fx * fx * (3.0 - 2.0 * fx);
    const double sy = fy * fy * (3.0 - 2.0 * fy);
    auto at = [&](int dx, int dy) {
        return LatticeValue(static_cast<int>(Wrap(x0 + dx, period)),
                            static_cast<int>(Wrap(y0 + dy, period)), seed);
    };
    const double top = at(0, 0) + (at(1, 0) - at(0, 0)) * sx;
    const double bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * sx;
    return top + (bottom - top) * sy;
}

// Octaves of noise, each twice as fine and half as strong; the result lies in [0, 1).
double Fractal(double u, double v, int period, unsigned seed, int octaves) {
    double sum = 0.0;
    double weight = 0.5;
    double total = 0.0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * TiledNoise(u, v, period << octave, seed + static_cast<unsigned>(octave));
        total += weight;
        weight *= 0.5;
    }
    return sum / total;
}

std::uint8_t Byte(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 1.0) * 255.0 + 0.5);
}

struct Rgb {
    double r, g, b;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// A colour picture of size x size pixels whose pixel (x, y) is `colour(u, v)` at the pixel's
// centre, u and v in [0, 1).
template <typename ColourAt>
TextureImage DrawColour(int size, ColourAt colour) {
    TextureImage image = TextureImage::Blank(size, size, 3);
    for (int y = 0; y < size; ++y) {
        RgbRow& row = image.rgb_rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < size; ++x) {
            const Rgb c = colour((x + 0.5) / size, (y + 0.5) / size);
            const auto ux = static_cast<std::size_t>(x);
            row.red[ux] = Byte(c.r);
            row.green[ux] = Byte(c.g);
            row.blue[ux] = Byte(c.b);
        }
    }
    image.failed = 0;
    image.BuildTexture();
    return image;
}

template <typename HeightAt>
TextureImage DrawGrey(int size, HeightAt height) {
    TextureImage image = TextureImage::Blank(size, size, 1);
    for (int y = 0; y < size; ++y) {
        std::vector<std::uint8_t>& row = image.grey_rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < size; ++x) {
            row[static_cast<std::size_t>(x)] = Byte(height((x + 0.5) / size, (y + 0.5) / size));
        }
    }
    image.failed = 0;
    return image;
}

// Brick courses: four courses of two bricks, every other course shifted by half a brick.
constexpr int kCourses = 4;
constexpr int kBricksPerCourse = 2;
constexpr double kMortar = 0.03;  // joint width, in parts of the picture

struct BrickCell {
    bool mortar = false;
    int course = 0;
    int brick = 0;
};

BrickCell BrickAt(double u, double v) {
    const double course_v = v * kCourses;
    const int course = static_cast<int>(course_v);
    const double shift = (course % 2 == 0) ? 0.0 : 0.5;
    double along = u * kBricksPerCourse + shift;
    const int brick = static_cast<int>(along) % kBricksPerCourse;
    along -= std::floor(along);
    const double across = course_v - course;
    const double joint_u = kMortar * kBricksPerCourse;
    const double joint_v = kMortar * kCourses;
    BrickCell cell;
    cell.course = course;
    cell.brick = brick;
    cell.mortar = along < joint_u * 0.5 || along > 1.0 - joint_u * 0.5 || across < joint_v * 0.5 ||
                  across > 1.0 - joint_v * 0.5;
    return cell;
}

}  // namespace

TextureImage MarblePicture(int size) {
    const Rgb stone{0.93, 0.92, 0.89};
    const Rgb vein{0.42, 0.43, 0.46};
    return DrawColour(size, [&](double u, double v) {
        const double turbulence = Fractal(u, v, 4, 11u, 5);
        // Veins where a slanted sine wave, bent by the turbulence, crosses zero.
        const double wave = std::sin(2.0 * std::numbers::pi * (u + v + 2.5 * turbulence));
        const double veining = std::pow(1.0 - std::abs(wave), 6.0);
        const double cloud = 0.06 * (Fractal(u, v, 8, 12u, 3) - 0.5);
        Rgb c = Mix(stone, vein, veining);
        c.r += cloud;
        c.g += cloud;
        c.b += cloud;
        return c;
    });
}

TextureImage WoodPicture(int size) {
    const Rgb light{0.78, 0.57, 0.33};
    const Rgb dark{0.50, 0.30, 0.14};
    return DrawColour(size, [&](double u, double v) {
        // Rings about a centre line across the plank (along u), bent by noise; four whole
        // periods of the bend keep the picture tiled.
        const double bend = 0.35 * (Fractal(u, v, 2, 21u, 3) - 0.5);
        const double ring = 7.0 * (v + bend) + 0.15 * std::sin(2.0 * std::numbers::pi * u);
        const double phase = ring - std::floor(ring);
        const double late_wood = std::pow(phase, 3.0);
        const double streak = 0.08 * (TiledNoise(u, v, 32, 22u) - 0.5);
        Rgb c = Mix(light, dark, late_wood);
        c.r += streak;
        c.g += streak;
        c.b += streak * 0.5;
        return c;
    });
}

TextureImage BrickPicture(int size) {
    const Rgb mortar{0.74, 0.72, 0.67};
    return DrawColour(size, [&](double u, double v) {
        const BrickCell cell = BrickAt(u, v);
        const double speckle = 0.10 * (Fractal(u, v, 16, 31u, 2) - 0.5);
        if (cell.mortar) {
            return Rgb{mortar.r + speckle, mortar.g + speckle, mortar.b + speckle};
        }
        // Each brick a little lighter or darker than the next.
        const double tone = 0.85 + 0.3 * LatticeValue(cell.brick, cell.course, 32u);
        return Rgb{0.62 * tone + speckle, 0.25 * tone + speckle, 0.17 * tone + speckle * 0.5};
    });
}

TextureImage BrickBumpPicture(int size) {
    return DrawGrey(size, [](double u, double v) {
        return BrickAt(u, v).mortar ? 0.15 : 0.8 + 0.15 * (Fractal(u, v, 16, 33u, 2) - 0.5);
    });
}

TextureImage ConcretePicture(int size) {
    return DrawColour(size, [](double u, double v) {
        const double base = 0.58 + 0.12 * (Fractal(u, v, 4, 41u, 4) - 0.5);
        const double grit = LatticeValue(static_cast<int>(u * 64), static_cast<int>(v * 64), 42u);
        const double pit = grit > 0.94 ? -0.18 : (grit < 0.04 ? 0.1 : 0.0);
        return Rgb{base + pit, base + pit - 0.005, base + pit - 0.02};
    });
}

TextureImage GrainBumpPicture(int size, int cells, unsigned seed) {
    return DrawGrey(size,
                    [cells, seed](double u, double v) { return Fractal(u, v, cells, seed, 3); });
}

}  // namespace kelto
