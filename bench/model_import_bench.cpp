// The whole `kelto-cli import` of a binary STL and of OBJ files of about 1 000 000 triangles each
// (a rippled grid), as a user starts it: start-up, reading by our own readers, our checks, the
// objects made and the scene saved. The OBJ comes without normals (flat: every corner a vertex
// of its own, as the STL's), in one smoothing group without normals, and with a normal at each
// point; in the last two its faces share their vertices.
// Counters: the wall time, the process's peak resident memory and that peak over the file's
// size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_folder.h"

extern char** environ;

namespace kelto {
namespace {

constexpr int kSide = 709;  // points a side: 2 x 708 x 708 = 1 002 528 triangles

const bench::Folder& Work() {
    static const bench::Folder folder("model-import-bench");
    return folder;
}

float Height(int x, int y) {
    return 0.05f * std::sin(x * 0.1f) * std::cos(y * 0.13f);
}

template <typename Triangle>
void ForEachTriangle(Triangle triangle) {
    for (int y = 0; y + 1 < kSide; ++y) {
        for (int x = 0; x + 1 < kSide; ++x) {
            triangle(x, y, x + 1, y, x, y + 1);
            triangle(x + 1, y, x + 1, y + 1, x, y + 1);
        }
    }
}

const std::string& StlFile() {
    static const std::string path = [] {
        const std::string file = Work() / "grid.stl";
        std::vector<char> bytes(84, 0);
        std::uint32_t count = 0;
        ForEachTriangle([&](int ax, int ay, int bx, int by, int cx, int cy) {
            float record[12] = {0, 1, 0};
            const int corners[3][2] = {{ax, ay}, {bx, by}, {cx, cy}};
            for (int k = 0; k < 3; ++k) {
                record[3 + 3 * k] = static_cast<float>(corners[k][0]);
                record[4 + 3 * k] = Height(corners[k][0], corners[k][1]);
                record[5 + 3 * k] = static_cast<float>(corners[k][1]);
            }
            const char* raw = reinterpret_cast<const char*>(record);
            bytes.insert(bytes.end(), raw, raw + sizeof record);
            bytes.push_back(0);
            bytes.push_back(0);
            ++count;
        });
        std::memcpy(bytes.data() + 80, &count, 4);
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
        return file;
    }();
    return path;
}

enum class ObjShading { Flat, SmoothingGroup, Normals };

// The grid as OBJ; with normals, each point has one ("f a//a b//b c//c").
std::string WriteObj(const std::string& name, ObjShading shading) {
    const bool normals = shading == ObjShading::Normals;
    const std::string file = Work() / name;
    std::ofstream out(file);
    if (shading == ObjShading::SmoothingGroup) {
        out << "s 1\n";
    }
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            out << "v " << x << ' ' << Height(x, y) << ' ' << y << '\n';
        }
    }
    for (int y = 0; normals && y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            // The height's slopes across x and y give the normal (-dh/dx, 1, -dh/dy).
            const float dx = 0.005f * std::cos(x * 0.1f) * std::cos(y * 0.13f);
            const float dy = -0.0065f * std::sin(x * 0.1f) * std::sin(y * 0.13f);
            out << "vn " << -dx << " 1 " << -dy << '\n';
        }
    }
    ForEachTriangle([&](int ax, int ay, int bx, int by, int cx, int cy) {
        out << 'f';
        for (const int point : {ay * kSide + ax + 1, by * kSide + bx + 1, cy * kSide + cx + 1}) {
            out << ' ' << point;
            if (normals) {
                out << "//" << point;
            }
        }
        out << '\n';
    });
    return file;
}

const std::string& ObjFile() {
    static const std::string path = WriteObj("grid.obj", ObjShading::Flat);
    return path;
}

const std::string& ObjSmoothFile() {
    static const std::string path = WriteObj("grid_smooth.obj", ObjShading::SmoothingGroup);
    return path;
}

const std::string& ObjWithNormalsFile() {
    static const std::string path = WriteObj("grid_normals.obj", ObjShading::Normals);
    return path;
}

struct ProcessRun {
    double seconds = 0;
    double peak_bytes = 0;
    bool ok = false;
};

ProcessRun RunImport(const std::string& file) {
    const std::string output = Work() / "imported.kel";
    std::vector<std::string> args = {KELTO_CLI, "import", file, "-o", output};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return run;
    }
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child) {
        return run;
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peak_bytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

void WholeImport(benchmark::State& state, const std::string& file) {
    const double file_bytes = static_cast<double>(std::filesystem::file_size(file));
    double peak = 0;
    for (auto _ : state) {
        const ProcessRun run = RunImport(file);
        if (!run.ok) {
            state.SkipWithError("kelto-cli import failed");
            return;
        }
        peak = std::max(peak, run.peak_bytes);
        state.SetIterationTime(run.seconds);
    }
    state.counters["file_mb"] = file_bytes / 1e6;
    state.counters["peak_rss_mb"] = peak / 1e6;
    state.counters["peak_over_file"] = peak / file_bytes;
}

void BM_ImportBinaryStl(benchmark::State& state) {
    WholeImport(state, StlFile());
}
void BM_ImportObj(benchmark::State& state) {
    WholeImport(state, ObjFile());
}
void BM_ImportObjInASmoothingGroup(benchmark::State& state) {
    WholeImport(state, ObjSmoothFile());
}
void BM_ImportObjWithNormals(benchmark::State& state) {
    WholeImport(state, ObjWithNormalsFile());
}

BENCHMARK(BM_ImportBinaryStl)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportObj)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportObjInASmoothingGroup)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_ImportObjWithNormals)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kelto
