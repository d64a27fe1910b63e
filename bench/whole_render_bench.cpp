// The whole kelto-cli process rendering the demo scene at 640x480, as a user or a farm's job
// starts it: start-up, reading the file, preparing, tracing, writing the PNG and exit. Each
// iteration runs it on one thread and then on two, so that the ratio of the pair is read
// from the same minutes of a machine whose speed drifts. Counters: each run's wall time, the
// ratio of the two (what the second core gains), and the pages the process faulted in.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench_folder.h"
#include "demo_scene.h"

extern char** environ;

namespace kelto {
namespace {

const bench::Folder& Work() {
    static const bench::Folder folder("whole-render-bench");
    return folder;
}

// The demo scene, saved once; empty when it cannot be built.
const std::string& DemoFile() {
    static const std::string path = [] {
        DocumentCore document;
        const std::string file = Work() / "demo.kel";
        return bench::BuildDemoScene(document) && document.Save(file).ok() ? file : std::string();
    }();
    return path;
}

struct ProcessRun {
    double seconds = 0;
    long page_faults = 0;
    bool ok = false;
};

ProcessRun RunProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
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
    run.page_faults = usage.ru_minflt + usage.ru_majflt;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::vector<std::string> RenderArgs(const char* quality, int threads) {
    return {KELTO_CLI, "render", DemoFile(), Work() / "demo.png", "--quality",
            quality,   "--seed", "1",        "--threads",         std::to_string(threads)};
}

void WholeRender(benchmark::State& state, const char* quality) {
    if (DemoFile().empty()) {
        state.SkipWithError("the demo scene could not be built");
        return;
    }
    double one = 0, two = 0;
    long faults = 0;
    for (auto _ : state) {
        const ProcessRun a = RunProcess(RenderArgs(quality, 1));
        const ProcessRun b = RunProcess(RenderArgs(quality, 2));
        if (!a.ok || !b.ok) {
            state.SkipWithError("kelto-cli render failed");
            return;
        }
        one += a.seconds;
        two += b.seconds;
        faults += b.page_faults;
        state.SetIterationTime(a.seconds + b.seconds);
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["one_thread_ms"] = one / runs * 1e3;
    state.counters["two_threads_ms"] = two / runs * 1e3;
    state.counters["gain"] = one / two;
    state.counters["page_faults"] = static_cast<double>(faults) / runs;
}

void BM_WholeDraftRender(benchmark::State& state) {
    WholeRender(state, "draft");
}
void BM_WholeProductionRender(benchmark::State& state) {
    WholeRender(state, "production");
}

BENCHMARK(BM_WholeDraftRender)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_WholeProductionRender)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace kelto
