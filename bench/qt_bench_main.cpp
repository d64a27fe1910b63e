// The entry of the benchmarks that need a Qt application (and a display: run them under
// xvfb-run).
#include <benchmark/benchmark.h>
#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
