// Reading a 3DS file of 100 000 faces, and importing it into a scene; importing a large PNG
// picture as a material's, with the memory that takes at its peak.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "../tests/files/three_ds_writer.h"
#include "document/document_core.h"
#include "files/image_files.h"
#include "files/image_import.h"
#include "files/three_ds_reader.h"

namespace kelto {
namespace {

// A grid of 224 x 224 points (50 176 vertices) in 223 x 223 x 2 = 99 458 faces, split over two
// objects so that each fits the file's 16-bit counts.
std::vector<std::uint8_t> BigFile() {
    std::vector<testing_3ds::TestMesh> meshes;
    for (int part = 0; part < 2; ++part) {
        testing_3ds::TestMesh m{"Terrain" + std::to_string(part), {}, {}, "Red Paint", part == 1};
        const int side = 224;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                m.vertices.push_back({static_cast<float>(x), static_cast<float>(y) + part * side,
                                      static_cast<float>((x * y) % 7) * 0.1f});
            }
        }
        for (int y = 0; y + 1 < side; ++y) {
            for (int x = 0; x + 1 < side; ++x) {
                const auto i = static_cast<std::uint16_t>(y * side + x);
                if (m.faces.size() + 2 > 50000)
                    break;
                m.faces.push_back(
                    {i, static_cast<std::uint16_t>(i + 1), static_cast<std::uint16_t>(i + side)});
                m.faces.push_back({static_cast<std::uint16_t>(i + 1),
                                   static_cast<std::uint16_t>(i + side + 1),
                                   static_cast<std::uint16_t>(i + side)});
            }
        }
        meshes.push_back(std::move(m));
    }
    return testing_3ds::Make3ds(meshes);
}

void BM_Read3ds(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = BigFile();
    for (auto _ : state) {
        Importer importer;
        benchmark::DoNotOptimize(Read3ds(bytes, "big.3ds", importer).ok());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["faces"] = 100000;
}
BENCHMARK(BM_Read3ds)->Unit(benchmark::kMillisecond);

void BM_Import3ds(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = BigFile();
    for (auto _ : state) {
        DocumentCore document;
        benchmark::DoNotOptimize(document.Import3dsBytes(bytes, "big.3ds").ok());
    }
}
BENCHMARK(BM_Import3ds)->Unit(benchmark::kMillisecond);

// The process's resident memory at its peak since the last ResetPeakMemory, in bytes (Linux).
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double PeakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) * 1024.0;
        }
    }
    return 0.0;
}

// "Import Image..." of an 8192 x 8192 RGB PNG (192 MiB of pixels from a file of a few MB):
// peak_over_picture is the memory at the peak beyond what was in use before, in pictures.
void BM_ImportLargePng(benchmark::State& state) {
    constexpr int kSide = 8192;
    const std::string path = "/tmp/kelto_import_bench.png";
    {
        RenderImage picture(kSide, kSide);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; x += 7) {
                picture.SetPixel(x, y, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                 static_cast<std::uint8_t>(x ^ y));
            }
        }
        if (!WritePng(picture, path, 2).ok()) {
            state.SkipWithError("cannot write the picture");
            return;
        }
    }
    const double picture_bytes = 3.0 * kSide * kSide;
    double peak_over_picture = 0.0;
    for (auto _ : state) {
        ResetPeakMemory();
        const double before = PeakMemory();
        TextureImage image;
        benchmark::DoNotOptimize(ImportImage(path, image).ok());
        peak_over_picture = (PeakMemory() - before) / picture_bytes;
    }
    std::filesystem::remove(path);
    state.counters["peak_over_picture"] = peak_over_picture;
}
BENCHMARK(BM_ImportLargePng)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace kelto
