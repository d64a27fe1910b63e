// What an autosave costs: the snapshot the window thread takes (the scene file's bytes) of the
// demo scene and of 10 000 objects, the writer thread's part (header, atomic flushed write),
// and the start-up look at the autosave folder when there is nothing to recover.
#include <benchmark/benchmark.h>

#include "bench/bench_folder.h"
#include "bench/demo_scene.h"
#include "document/autosave_recovery.h"
#include "document/autosave_writer.h"

namespace kelto {
namespace {

// 909 groups of ten spheres and one sphere more: 10 000 objects, as document_bench builds them.
void BuildTenThousand(DocumentCore& doc) {
    for (int g = 0; g < 909; ++g) {
        for (int i = 0; i < 10; ++i) {
            doc.InsertObject(ObjectType::Sphere, {(g % 100) * 3.0, 0, (g / 100) * 3.0 + i}, i > 0);
        }
        doc.Group();
    }
    doc.InsertObject(ObjectType::Sphere, {-5, 0, -5}, false);
}

void Snapshot(benchmark::State& state, DocumentCore& doc) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = doc.SaveToBytes(bytes).size();  // as the timer takes them: room made at once
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["snapshot_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_SnapshotDemoScene(benchmark::State& state) {
    DocumentCore doc;
    if (!bench::BuildDemoScene(doc)) {
        state.SkipWithError("the demo scene could not be built");
        return;
    }
    Snapshot(state, doc);
}
BENCHMARK(BM_SnapshotDemoScene)->Unit(benchmark::kMillisecond);

void BM_SnapshotTenThousandObjects(benchmark::State& state) {
    DocumentCore doc;
    BuildTenThousand(doc);
    Snapshot(state, doc);
}
BENCHMARK(BM_SnapshotTenThousandObjects)->Unit(benchmark::kMillisecond);

// The writer's thread: the whole autosave of 10 000 objects written and flushed, replacing the
// previous one.
void BM_WriteTenThousandObjects(benchmark::State& state) {
    DocumentCore doc;
    BuildTenThousand(doc);
    const std::vector<std::uint8_t> scene = doc.SaveToBytes();
    bench::Folder folder("autosave");
    AutosaveWriter writer(folder / "autosave", ThisProcessOwner(), nullptr);
    for (auto _ : state) {
        writer.Write("big-1-1-1.kelauto", {"/tmp/big.kel", "big.kel"}, scene);
        writer.WaitIdle();
    }
}
BENCHMARK(BM_WriteTenThousandObjects)->Unit(benchmark::kMillisecond)->UseRealTime();

// Start-up with nothing to recover: a missing folder, and one holding a running process's
// autosave and lock.
void BM_StartUpScan(benchmark::State& state) {
    bench::Folder folder("autosave");
    const std::string path = folder / "autosave";
    std::optional<AutosaveWriter> writer;
    if (state.range(0) == 1) {
        writer.emplace(path, ThisProcessOwner(), nullptr);
        writer->Write(AutosaveFileName("a", ThisProcessOwner(), 1), {},
                      std::vector<std::uint8_t>(1000));
        writer->WaitIdle();
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(AutosaveRecovery::Scan(path, AutosaveOwner{1, 1}).Empty());
    }
}
BENCHMARK(BM_StartUpScan)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelto

BENCHMARK_MAIN();
