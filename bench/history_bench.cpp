// Undo and redo through the document core, and the Combine and Intersect commands.
#include <benchmark/benchmark.h>

#include <chrono>

#include "document/document_core.h"

namespace kelto {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// A scene of 1 000 objects, the last of them moved by one drag.
void MakeMovedScene(DocumentCore& doc) {
    for (int i = 0; i < 1000; ++i) {
        doc.InsertObject(ObjectType::Cube,
                         {static_cast<double>(i % 40) * 3, 0, static_cast<double>(i / 40) * 3},
                         false);
    }
    const NodeId last = doc.NodeNamed("Cube1000");
    doc.GrabNodeHandle(last, 3, false);
    for (int i = 0; i < 20; ++i) {
        doc.DragMoveNode(last, {0.05, 0, 0.02});
    }
    doc.EndDrag();
}

// Times Undo (or Redo) alone; the other direction runs untimed between iterations.
void UndoRedoMove(benchmark::State& state, bool time_undo) {
    DocumentCore doc;
    MakeMovedScene(doc);
    state.counters["step_bytes"] = static_cast<double>(doc.UndoStepBytes());
    for (auto _ : state) {
        if (!time_undo) {
            doc.Undo();
        }
        const Clock::time_point start = Clock::now();
        const Status status = time_undo ? doc.Undo() : doc.Redo();
        state.SetIterationTime(Seconds(start));
        if (!status.ok()) {
            state.SkipWithError("the history refused");
            return;
        }
        if (time_undo) {
            doc.Redo();
        }
    }
}

void BM_UndoMoveIn1000Objects(benchmark::State& state) {
    UndoRedoMove(state, true);
}
BENCHMARK(BM_UndoMoveIn1000Objects)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_RedoMoveIn1000Objects(benchmark::State& state) {
    UndoRedoMove(state, false);
}
BENCHMARK(BM_RedoMoveIn1000Objects)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Two spheres of 612 triangles each, one radius apart, both selected.
void MakeSpheres(DocumentCore& doc) {
    doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    doc.InsertObject(ObjectType::Sphere, {1, 0, 0.3}, true);
}

void BM_UndoTrimOfTwoSpheres(benchmark::State& state) {
    DocumentCore doc;
    MakeSpheres(doc);
    if (!doc.Trim().ok()) {
        state.SkipWithError("the spheres do not intersect");
        return;
    }
    state.counters["step_bytes"] = static_cast<double>(doc.UndoStepBytes());
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        doc.Undo();
        state.SetIterationTime(Seconds(start));
        doc.Redo();
    }
}
BENCHMARK(BM_UndoTrimOfTwoSpheres)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The whole command, as the menu runs it; undone untimed between iterations.
void Command(benchmark::State& state, Result<NodeId> (DocumentCore::*command)()) {
    DocumentCore doc;
    MakeSpheres(doc);
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const Result<NodeId> result = (doc.*command)();
        state.SetIterationTime(Seconds(start));
        if (!result.ok() || !*result) {
            state.SkipWithError("the command failed");
            return;
        }
        doc.Undo();
    }
}

void BM_CombineTwoSpheres(benchmark::State& state) {
    Command(state, &DocumentCore::Combine);
}
BENCHMARK(BM_CombineTwoSpheres)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_IntersectTwoSpheres(benchmark::State& state) {
    Command(state, &DocumentCore::Intersect);
}
BENCHMARK(BM_IntersectTwoSpheres)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_TrimTwoSpheresCommand(benchmark::State& state) {
    Command(state, &DocumentCore::Trim);
}
BENCHMARK(BM_TrimTwoSpheresCommand)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelto
