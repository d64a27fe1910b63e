// Reading a 4096 x 2048 environment picture: a Radiance file of run-length rows, an OpenEXR
// file of half floats (ZIP, the library's default), and the same picture again from the cache
// a render's caller keeps.
#include <ImfRgbaFile.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>

#include "bench_folder.h"
#include "document/environment_cache.h"
#include "files/environment_file.h"

namespace kelto {
namespace {

constexpr int kWidth = 4096, kHeight = 2048;

// A sky that brightens toward the zenith with a sun: smooth rows, as photographed skies are.
float Sky(int x, int y, int channel) {
    const float up = 1.0f - static_cast<float>(y) / kHeight;
    const float sun = std::hypot(x - 1000.0f, y - 500.0f) < 40.0f ? 50.0f : 0.0f;
    return 0.2f + up * (0.3f + 0.2f * channel) + sun + 0.01f * static_cast<float>(x % 17);
}

// One scanline in the new run-length form (each byte of the four kept apart, runs where
// bytes repeat, literal stretches elsewhere).
void WriteRadianceRow(std::ofstream& file, int y) {
    std::vector<unsigned char> rgbe[4];
    for (int x = 0; x < kWidth; ++x) {
        const float r = Sky(x, y, 0), g = Sky(x, y, 1), b = Sky(x, y, 2);
        int exponent = 0;
        const float mantissa =
            std::frexp(std::max({r, g, b}), &exponent) * 256.0f / std::max({r, g, b});
        rgbe[0].push_back(static_cast<unsigned char>(r * mantissa));
        rgbe[1].push_back(static_cast<unsigned char>(g * mantissa));
        rgbe[2].push_back(static_cast<unsigned char>(b * mantissa));
        rgbe[3].push_back(static_cast<unsigned char>(exponent + 128));
    }
    file << '\x02' << '\x02' << static_cast<char>(kWidth >> 8) << static_cast<char>(kWidth & 255);
    for (const auto& bytes : rgbe) {
        for (std::size_t x = 0; x < bytes.size();) {
            std::size_t run = 1;
            while (x + run < bytes.size() && run < 127 && bytes[x + run] == bytes[x])
                ++run;
            if (run >= 3) {
                file << static_cast<char>(128 + run) << static_cast<char>(bytes[x]);
                x += run;
                continue;
            }
            std::size_t literal = 0;
            while (x + literal < bytes.size() && literal < 128 &&
                   !(x + literal + 2 < bytes.size() &&
                     bytes[x + literal] == bytes[x + literal + 1] &&
                     bytes[x + literal] == bytes[x + literal + 2])) {
                ++literal;
            }
            file << static_cast<char>(literal);
            file.write(reinterpret_cast<const char*>(&bytes[x]), static_cast<long>(literal));
            x += literal;
        }
    }
}

bool WritePictures(const bench::Folder& folder) {
    std::ofstream hdr(folder / "sky.hdr", std::ios::binary);
    hdr << "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " << kHeight << " +X " << kWidth << '\n';
    for (int y = 0; y < kHeight; ++y)
        WriteRadianceRow(hdr, y);
    std::vector<Imf::Rgba> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            pixels[static_cast<std::size_t>(y) * kWidth + x] =
                Imf::Rgba(Sky(x, y, 0), Sky(x, y, 1), Sky(x, y, 2));
    Imf::RgbaOutputFile exr((folder / "sky.exr").c_str(), kWidth, kHeight, Imf::WRITE_RGB);
    exr.setFrameBuffer(pixels.data(), 1, kWidth);
    exr.writePixels(kHeight);
    return true;
}

// Written once, on first use; removed when the program ends.
const bench::Folder& Pictures() {
    static const bench::Folder folder("environment");
    static const bool written = WritePictures(folder);
    (void)written;
    return folder;
}

void Read(benchmark::State& state, const char* name) {
    const std::string path = Pictures() / name;
    for (auto _ : state) {
        const Result<EnvironmentPicture> picture = ReadEnvironmentPicture(path);
        if (!picture.ok())
            state.SkipWithError(picture.status().text.c_str());
        benchmark::DoNotOptimize(picture);
    }
    state.counters["Mpixels/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                           benchmark::Counter::kIsRate);
}

void BM_ReadRadiance4096x2048(benchmark::State& state) {
    Read(state, "sky.hdr");
}
void BM_ReadOpenExr4096x2048(benchmark::State& state) {
    Read(state, "sky.exr");
}

// The second render of the same picture: a look at the file's size and time, no reading.
void BM_CachedPicture(benchmark::State& state) {
    EnvironmentPictureCache cache;
    const std::string path = Pictures() / "sky.exr";
    for (auto _ : state)
        benchmark::DoNotOptimize(cache.Picture(path));
    state.counters["reads"] = static_cast<double>(cache.Reads());
}

BENCHMARK(BM_ReadRadiance4096x2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOpenExr4096x2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CachedPicture)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelto
