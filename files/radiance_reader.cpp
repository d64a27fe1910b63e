// Radiance RGBE pictures: a text header of lines ending in an empty line, a resolution line,
// then one scanline after another of four bytes per pixel (red, green, blue mantissas and a
// shared exponent), each either flat, in the old run-length form (a 1, 1, 1, n pixel repeats
// the one before), or in the new one (2, 2, width, then each of the four bytes' runs apart).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "environment_decoders.h"

namespace kelto {
namespace {

// Header lines a file may carry before its resolution line, and their length.
constexpr std::size_t kMaxHeaderBytes = 65536;

class RadianceBytes {
  public:
    explicit RadianceBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // The next line without its newline; false at the end or past the header's length.
    bool Line(std::string_view& line) {
        const std::size_t start = at_;
        while (at_ < bytes_.size() && at_ < kMaxHeaderBytes && bytes_[at_] != '\n')
            ++at_;
        if (at_ >= bytes_.size() || at_ >= kMaxHeaderBytes)
            return false;
        line = {reinterpret_cast<const char*>(bytes_.data()) + start, at_ - start};
        ++at_;
        return true;
    }
    bool Has(std::size_t n) const { return bytes_.size() - at_ >= n; }
    std::uint8_t Byte() { return bytes_[at_++]; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// "-Y 512 +X 1024" and "+Y 512 +X 1024" with sides from 1; false for any other line.
bool ParseResolution(std::string_view line, long& width, long& height, bool& bottom_up) {
    const std::string text(line);
    char y_sign = 0, x_sign = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%cY %ld %cX %ld%n", &y_sign, &height, &x_sign, &width, &used) !=
            4 ||
        static_cast<std::size_t>(used) != text.size() || x_sign != '+' ||
        (y_sign != '-' && y_sign != '+')) {
        return false;
    }
    bottom_up = y_sign == '+';
    return width > 0 && height > 0;
}

// One scanline's pixels as four bytes each into `rgbe`; false when the bytes run out or runs
// do not fit the line.
bool ReadScanline(RadianceBytes& in, std::uint8_t* rgbe, long width) {
    if (!in.Has(4))
        return false;
    const std::uint8_t first[4] = {in.Byte(), in.Byte(), in.Byte(), in.Byte()};
    const bool run_length =
        width >= 8 && width <= 0x7FFF && first[0] == 2 && first[1] == 2 && (first[2] & 0x80) == 0;
    if (run_length) {
        if (((first[2] << 8) | first[3]) != width)
            return false;
        for (int component = 0; component < 4; ++component) {
            long x = 0;
            while (x < width) {
                if (!in.Has(1))
                    return false;
                int count = in.Byte();
                if (count > 128) {
                    count -= 128;
                    if (x + count > width || !in.Has(1))
                        return false;
                    const std::uint8_t value = in.Byte();
                    for (int i = 0; i < count; ++i)
                        rgbe[(x++) * 4 + component] = value;
                } else {
                    if (count == 0 || x + count > width || !in.Has(count))
                        return false;
                    for (int i = 0; i < count; ++i)
                        rgbe[(x++) * 4 + component] = in.Byte();
                }
            }
        }
        return true;
    }
    // Flat pixels, where 1, 1, 1, n repeats the pixel before n times (shifted by 8 bits for
    // each such pixel in a row).
    long x = 0;
    int shift = 0;
    const std::uint8_t* pixel = first;
    bool have_pixel = true;
    while (x < width) {
        std::uint8_t p[4];
        if (have_pixel) {
            std::copy(pixel, pixel + 4, p);
            have_pixel = false;
        } else {
            if (!in.Has(4))
                return false;
            for (std::uint8_t& b : p)
                b = in.Byte();
        }
        if (p[0] == 1 && p[1] == 1 && p[2] == 1) {
            if (x == 0 || shift > 16)
                return false;
            const long count = static_cast<long>(p[3]) << shift;
            if (x + count > width)
                return false;
            for (long i = 0; i < count; ++i, ++x) {
                std::copy(rgbe + (x - 1) * 4, rgbe + x * 4, rgbe + x * 4);
            }
            shift += 8;
        } else {
            std::copy(p, p + 4, rgbe + x * 4);
            ++x;
            shift = 0;
        }
    }
    return true;
}

float Component(std::uint8_t mantissa, double scale) {
    return EnvironmentValue(static_cast<float>((mantissa + 0.5) * scale));
}

}  // namespace

Result<EnvironmentPicture> DecodeRadiance(std::span<const std::uint8_t> bytes,
                                          const std::string& name) {
    RadianceBytes in(bytes);
    std::string_view line;
    if (!in.Line(line) || (line != "#?RADIANCE" && line != "#?RGBE")) {
        return Status::Library("its first line is neither #?RADIANCE nor #?RGBE");
    }
    for (;;) {
        if (!in.Line(line))
            return Status::Library("its header does not end");
        if (line.empty())
            break;
        if (line.starts_with("FORMAT=") && line != "FORMAT=32-bit_rle_rgbe") {
            return Status::Library("its pixels are " + std::string(line.substr(7)) +
                                   ", not 32-bit_rle_rgbe");
        }
    }
    long width = 0, height = 0;
    bool bottom_up = false;
    if (!in.Line(line) || !ParseResolution(line, width, height, bottom_up)) {
        return Status::Library("its resolution line is not of the form -Y height +X width");
    }
    if (Status status = CheckEnvironmentSize(width, height, name); !status.ok()) {
        return status;
    }
    EnvironmentPicture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    // Rows are added as they are read, so that a file that only claims a large picture costs
    // no more memory than it holds.
    const std::size_t row_floats = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> rgbe(static_cast<std::size_t>(width) * 4);
    for (long y = 0; y < height; ++y) {
        if (!ReadScanline(in, rgbe.data(), width)) {
            return Status::Library("its pixels are cut short or damaged in row " +
                                   std::to_string(y + 1));
        }
        picture.rgb.resize(picture.rgb.size() + row_floats);
        float* out = picture.rgb.data() + picture.rgb.size() - row_floats;
        for (long x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgbe[static_cast<std::size_t>(x) * 4];
            if (p[3] == 0) {
                out[0] = out[1] = out[2] = 0.0f;
            } else {
                const double scale = std::ldexp(1.0, p[3] - (128 + 8));
                out[0] = Component(p[0], scale);
                out[1] = Component(p[1], scale);
                out[2] = Component(p[2], scale);
            }
            out += 3;
        }
    }
    if (bottom_up) {
        for (long top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
            std::swap_ranges(picture.rgb.begin() + static_cast<long>(top * row_floats),
                             picture.rgb.begin() + static_cast<long>((top + 1) * row_floats),
                             picture.rgb.begin() + static_cast<long>(bottom * row_floats));
        }
    }
    return picture;
}

}  // namespace kelto
