// Plays the main window at random and checks the documents after every step; see README
// ("The soak"). Options, or the environment variables in brackets:
//   --seed S     (KELTO_SOAK_SEED)     the run to play; a random one by default
//   --steps N    (KELTO_SOAK_STEPS)    play exactly N steps (to replay a fault)
//   --minutes M  (KELTO_SOAK_MINUTES)  play at least M minutes (default 2) ...
//   --at-least N                       ... and at least N steps (default 2000)
// A fault prints the run's number, the step and what the step did, and the exit status is 1.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "tests/app/main_window_rig.h"
#include "tests/app/soak_player.h"

namespace {

using namespace kelto;

// The checks of the history go back and forth through every step: every this many steps.
constexpr long kHistoryCheckEvery = 25;

struct Options {
    std::uint64_t seed = 0;
    long steps = -1;  // exactly this many; -1: by time and count
    double minutes = 2.0;
    long at_least = 2000;
};

const char* Value(int argc, char** argv, const char* flag, const char* variable) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == flag)
            return argv[i + 1];
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

Options ReadOptions(int argc, char** argv) {
    Options options;
    if (const char* seed = Value(argc, argv, "--seed", "KELTO_SOAK_SEED"))
        options.seed = std::strtoull(seed, nullptr, 10);
    else
        options.seed = std::random_device{}() % 1000000000;
    if (const char* steps = Value(argc, argv, "--steps", "KELTO_SOAK_STEPS"))
        options.steps = std::strtol(steps, nullptr, 10);
    if (const char* minutes = Value(argc, argv, "--minutes", "KELTO_SOAK_MINUTES"))
        options.minutes = std::strtod(minutes, nullptr);
    if (const char* at_least = Value(argc, argv, "--at-least", "KELTO_SOAK_AT_LEAST"))
        options.at_least = std::strtol(at_least, nullptr, 10);
    return options;
}

bool Done(const Options& options, long step, const QElapsedTimer& clock) {
    if (options.steps >= 0)
        return step >= options.steps;
    return step >= options.at_least && clock.elapsed() >= options.minutes * 60000.0;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ReadOptions(argc, argv);
    QTemporaryDir config;
    QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vorn");
    QApplication::setApplicationName("Kelto");
    std::printf("soak: seed %llu (replay with --seed %llu --steps N)\n",
                static_cast<unsigned long long>(options.seed),
                static_cast<unsigned long long>(options.seed));
    std::fflush(stdout);

    test::MainWindowRig rig(640, 480);
    rig.AddEditors();
    rig.frame->activateWindow();
    if (!QTest::qWaitForWindowActive(rig.frame.get()))
        std::printf("soak: the main window did not become active; keys may not reach it\n");
    soak::Player player(rig, options.seed, folder.path());
    // Each step is written down before it is done: after a crash, the log's last lines say
    // which step it was and what it did.
    const QByteArray log_name =
        qEnvironmentVariableIsSet("KELTO_SOAK_LOG")
            ? qgetenv("KELTO_SOAK_LOG")
            : QByteArray("soak-") + QByteArray::number(static_cast<qulonglong>(options.seed)) +
                  ".log";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> log(std::fopen(log_name.constData(), "w"),
                                                        &std::fclose);
    long step = 0;
    player.SetAnnouncer([&](const std::string& what) {
        if (log) {
            std::fprintf(log.get(), "%ld: %s\n", step, what.c_str());
            std::fflush(log.get());
        }
    });
    std::printf("soak: the steps are logged in %s\n", log_name.constData());
    std::fflush(stdout);
    rig.frame->NewDocument();

    QElapsedTimer clock;
    clock.start();
    while (!Done(options, step, clock)) {
        ++step;
        const std::string did = player.Step();
        std::string fault = player.CheckDocuments();
        if (fault.empty() && step % kHistoryCheckEvery == 0)
            fault = player.CheckHistories();
        if (!fault.empty()) {
            std::printf("soak: FAULT at step %ld of seed %llu after \"%s\": %s\n", step,
                        static_cast<unsigned long long>(options.seed), did.c_str(), fault.c_str());
            std::printf("soak: replay with --seed %llu --steps %ld\n",
                        static_cast<unsigned long long>(options.seed), step);
            return 1;
        }
        if (step % 500 == 0) {
            std::printf("soak: %ld steps, %.0f s\n", step, clock.elapsed() / 1000.0);
            std::fflush(stdout);
        }
    }
    if (std::string fault = player.CheckHistories(); !fault.empty()) {
        std::printf("soak: FAULT at the end (step %ld) of seed %llu: %s\n", step,
                    static_cast<unsigned long long>(options.seed), fault.c_str());
        return 1;
    }
    const double seconds = clock.elapsed() / 1000.0;
    const soak::Player::Tally& tally = player.Totals();
    std::printf(
        "soak: seed %llu, %ld steps in %.1f s (%.1f steps/s), %zu histories checked "
        "through %zu steps, at most %zu nodes in a document, no fault\n",
        static_cast<unsigned long long>(options.seed), step, seconds,
        seconds > 0 ? step / seconds : 0.0, tally.history_checks, tally.undone, tally.most_nodes);
    // A run without a fault leaves no log behind.
    log.reset();
    std::remove(log_name.constData());
    return 0;
}
