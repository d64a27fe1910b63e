// Reading a 3DS file of 100 000 faces, and importing it into a scene.
#include <benchmark/benchmark.h>

#include "../tests/files/three_ds_writer.h"
#include "document/document_core.h"
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

}  // namespace
}  // namespace kelto
