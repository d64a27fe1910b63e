// What cutting a render into parts costs: a 1280x960 Production render of the demo scene
// whole, and as 8 bands rendered one after another (each opening the scene, preparing it and
// writing its part, as a farm's job does), through kelto-cli's own commands in-process; and
// the merge of a 7680x4320 picture from 64 parts.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_folder.h"
#include "cli/build_operations.h"
#include "cli/commands.h"
#include "document/document_core.h"
#include "files/render_part.h"

namespace kelto {
namespace {

const bench::Folder& Work() {
    static const bench::Folder folder("farm-bench");
    return folder;
}

int Run(const std::vector<std::string>& args) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out, err;
    return cli::RunCli(views, out, err);
}

// The demo scene, saved once.
const std::string& DemoScene() {
    static const std::string path = [] {
        DocumentCore document;
        std::ifstream ops(KELTO_EXAMPLES "/demo-scene.ops");
        for (std::string line; std::getline(ops, line);) {
            if (!line.empty() && line[0] != '#') {
                cli::ApplyBuildOperation(document, line);
            }
        }
        const std::string file = Work() / "demo.kel";
        document.Save(file);
        return file;
    }();
    return path;
}

std::vector<std::string> RenderArgs(const std::string& out, int threads) {
    return {"render",
            DemoScene(),
            out,
            "--size",
            "1280x960",
            "--quality",
            "production",
            "--seed",
            "1",
            "--threads",
            std::to_string(threads)};
}

void BM_ProductionWhole(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if (Run(RenderArgs(Work() / "whole.bmp", threads)) != 0) {
            state.SkipWithError("the render failed");
        }
    }
    state.SetLabel("1280x960, " + std::to_string(threads) + " threads");
}
BENCHMARK(BM_ProductionWhole)->Arg(1)->Arg(2)->Iterations(2)->Unit(benchmark::kSecond);

void BM_ProductionEightBands(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int k = 0; k < 8; ++k) {
            std::vector<std::string> args =
                RenderArgs(Work() / ("band" + std::to_string(k) + ".kpart"), threads);
            args.insert(args.end(), {"--tiles", "8", "--tile", std::to_string(k)});
            if (Run(args) != 0) {
                state.SkipWithError("a part failed");
            }
        }
    }
    state.SetLabel("1280x960 as 8 parts one after another, " + std::to_string(threads) +
                   " threads");
}
BENCHMARK(BM_ProductionEightBands)->Arg(1)->Arg(2)->Iterations(2)->Unit(benchmark::kSecond);

// 64 parts of a 7680x4320 picture (8 x 8 tiles) with pixels a real picture might have:
// smooth shades with a little noise.
const std::vector<std::string>& LargeParts() {
    static const std::vector<std::string> paths = [] {
        std::vector<std::string> made;
        std::uint32_t noise = 1;
        for (int k = 0; k < 64; ++k) {
            RenderPart part;
            part.header.width = 7680;
            part.header.height = 4320;
            part.header.rect = TileRect(7680, 4320, 8, 8, k);
            part.header.quality = 1;
            part.header.seed = 1;
            part.header.tile_columns = 8;
            part.header.tile_rows = 8;
            part.header.tile_index = k;
            const PixelRect& r = part.header.rect;
            part.pixels.reserve(r.Area() * 3);
            for (int y = r.y0; y < r.y1; ++y) {
                for (int x = r.x0; x < r.x1; ++x) {
                    noise = noise * 1664525u + 1013904223u;
                    const auto jitter = static_cast<int>((noise >> 28) & 3);
                    part.pixels.push_back(static_cast<std::uint8_t>(x / 30 + jitter));
                    part.pixels.push_back(static_cast<std::uint8_t>(y / 17 + jitter));
                    part.pixels.push_back(static_cast<std::uint8_t>((x + y) / 47));
                }
            }
            made.push_back(Work() / ("large" + std::to_string(k) + ".kpart"));
            WriteRenderPart(part, made.back());
        }
        return made;
    }();
    return paths;
}

void BM_Merge64Parts(benchmark::State& state) {
    static const char* const kFormats[] = {"bmp", "tif", "png"};
    const std::string format = kFormats[state.range(0)];
    const std::string out = Work() / ("large." + format);
    std::vector<std::string> args{"merge", out};
    args.insert(args.end(), LargeParts().begin(), LargeParts().end());
    for (auto _ : state) {
        if (Run(args) != 0) {
            state.SkipWithError("the merge failed");
        }
    }
    state.SetLabel("7680x4320 from 64 parts into " + format);
}
BENCHMARK(BM_Merge64Parts)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace kelto
