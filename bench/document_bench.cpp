// The document at scale: objects inserted one by one, a scene of 10 000 nodes built, saved,
// opened again, and the memory a node costs beside its meshes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "document/document_core.h"
#include "model/child_list.h"

namespace kelto {
namespace {

constexpr int kNodes = 10000;

// 909 groups of ten spheres and one sphere more: 10 000 nodes.
void BuildScene(DocumentCore& doc) {
    constexpr int kGroups = kNodes / 11;
    for (int g = 0; g < kGroups; ++g) {
        for (int i = 0; i < 10; ++i) {
            doc.InsertObject(ObjectType::Sphere, {(g % 100) * 3.0, 0, (g / 100) * 3.0 + i}, i > 0);
        }
        doc.Group();
    }
    doc.InsertObject(ObjectType::Sphere, {-5, 0, -5}, false);
}

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}

// The heap a vector holds, with the allocator's own bookkeeping of its block.
template <typename T>
std::size_t VectorBytes(const std::vector<T>& v) {
    return v.capacity() == 0 ? 0 : malloc_usable_size(const_cast<T*>(v.data())) + sizeof(void*);
}

std::size_t PatchBytes(const NurbsPatch& p) {
    return VectorBytes(p.knots_u) + VectorBytes(p.knots_v) + VectorBytes(p.control_points) +
           VectorBytes(p.second_points) + VectorBytes(p.samples);
}

// The heap a shape holds: its surface and profile curves.
std::size_t ShapeBytes(const Shape& shape) {
    std::size_t bytes = VectorBytes(shape.surface.knots_u) + VectorBytes(shape.surface.knots_v) +
                        VectorBytes(shape.surface.net) + VectorBytes(shape.second_net);
    for (const NurbsPatch& p : shape.profiles)
        bytes += PatchBytes(p);
    for (const NurbsPatch& p : shape.paths)
        bytes += PatchBytes(p);
    return bytes + VectorBytes(shape.profiles) + VectorBytes(shape.paths);
}

std::size_t MeshBytes(const Mesh& mesh) {
    return VectorBytes(mesh.vertices) + VectorBytes(mesh.indices);
}

// N insertions in a row, each the only selection and one undo step, as `kelto-cli build` with
// N `add:` operations makes them: the cost of one should not grow with the scene.
void BM_InsertObjects(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    constexpr ObjectType kTypes[] = {ObjectType::Sphere, ObjectType::Cube, ObjectType::Cone};
    for (auto _ : state) {
        DocumentCore doc;
        for (int i = 0; i < count; ++i) {
            doc.InsertObject(kTypes[i % 3], {(i % 100) * 1.0, 0, (i / 100) * 1.0}, false);
        }
        benchmark::DoNotOptimize(doc.GetScene().NodeCount());
    }
    state.counters["insertions"] = count;
}
BENCHMARK(BM_InsertObjects)
    ->Arg(2500)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_OpenTenThousandNodes(benchmark::State& state) {
    DocumentCore source;
    BuildScene(source);
    const std::vector<std::uint8_t> bytes = source.SaveToBytes();
    for (auto _ : state) {
        DocumentCore doc;
        if (!doc.OpenFromBytes(bytes, "big.kel").ok()) {
            state.SkipWithError("the scene did not open");
            return;
        }
        benchmark::DoNotOptimize(doc.GetScene().NodeCount());
    }
    state.counters["nodes"] = static_cast<double>(source.GetScene().NodeCount() - 1);
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_OpenTenThousandNodes)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveTenThousandNodes(benchmark::State& state) {
    DocumentCore doc;
    BuildScene(doc);
    for (auto _ : state) {
        benchmark::DoNotOptimize(doc.SaveToBytes().size());
    }
}
BENCHMARK(BM_SaveTenThousandNodes)->Unit(benchmark::kMillisecond)->Iterations(3);

// What a node costs besides its display and render meshes: the node, its shape, its names in
// the maps. Measured from the heap before and after building the scene.
void BM_MemoryPerNode(benchmark::State& state) {
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        auto doc = std::make_unique<DocumentCore>();
        BuildScene(*doc);
        const std::size_t after = HeapInUse();
        std::size_t meshes = 0, shapes_nodes = 0, shapes = 0;
        std::vector<const SceneNode*> pending{&doc->GetScene().Root()};
        while (!pending.empty()) {
            const SceneNode* node = pending.back();
            pending.pop_back();
            meshes += MeshBytes(node->display_mesh) + MeshBytes(node->render_mesh);
            shapes_nodes += node->shape ? 1 : 0;
            shapes += node->shape ? malloc_usable_size(node->shape.get()) + sizeof(void*) +
                                        ShapeBytes(*node->shape)
                                  : 0;
            for (const SceneNode* child : Children(*node)) {
                pending.push_back(child);
            }
        }
        const double nodes = static_cast<double>(doc->GetScene().NodeCount() - 1);
        state.counters["bytes_per_node"] =
            static_cast<double>(after - before - meshes - shapes) / nodes;
        state.counters["shape_bytes_per_object"] = static_cast<double>(shapes) / shapes_nodes;
        state.counters["mesh_bytes_per_object"] = static_cast<double>(meshes) / shapes_nodes;
        state.counters["sizeof_node"] = sizeof(SceneNode);
    }
}
BENCHMARK(BM_MemoryPerNode)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace kelto
