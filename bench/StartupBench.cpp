// Start-up benchmark: the time from starting the show's process to its first
// frame on screen, less the start-up's fixed waits (the loading screen's two
// fades and the pause before the fade-out). Each iteration starts
// startup_probe (bench/StartupProbe.cpp, built next to show_bench) as a new
// process and takes the figure it prints; the iteration time is that figure
// (manual time), so the benchmark's real time is the start-up time. The
// counters split it into its steps (ms, averaged over the iterations), and
// count the loading screen's redraws for the script's lines.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

extern char** environ;

namespace {

uint64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

std::string ProbePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : (self.parent_path() / "startup_probe").string();
}

// One start's times in ms, as startup_probe prints them.
struct StartupTimes {
    double firstFrame = 0.0;  // less the waits
    double waits = 0.0;
    double toMain = 0.0;
    double window = 0.0;
    double scriptLines = 0.0;
    double loading = 0.0;
    double frame = 0.0;
    double redraws = 0.0;
};

// Starts the probe, waits for it and reads its times. False, with the
// reason in `why`, when the probe could not report them.
bool RunProbe(const std::string& probe, StartupTimes& times, std::string& why) {
    int output[2];
    if (pipe(output) != 0) {
        why = "cannot make a pipe";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, output[1]);

    const std::string spawned = std::to_string(MonotonicNanoseconds());
    std::array<char*, 3> argv{const_cast<char*>(probe.c_str()), const_cast<char*>(spawned.c_str()),
                              nullptr};
    pid_t child = 0;
    const int started = posix_spawn(&child, probe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (started != 0) {
        close(output[0]);
        why = "cannot start " + probe;
        return false;
    }

    std::string text;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(output[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(got));
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        why = "startup_probe failed (see its message above)";
        return false;
    }
    if (std::sscanf(text.c_str(), "%lf %lf %lf %lf %lf %lf %lf %lf", &times.firstFrame,
                    &times.waits, &times.toMain, &times.window, &times.scriptLines, &times.loading,
                    &times.frame, &times.redraws) != 8) {
        why = "startup_probe printed no figure";
        return false;
    }
    return true;
}

void StartupToFirstFrame(benchmark::State& state) {
    const std::string probe = ProbePath();
    StartupTimes times;
    std::string why;
    // One start first, untimed, so that every timed start finds the
    // program and its data in the file cache, as a second start of the show
    // would.
    if (probe.empty() || !RunProbe(probe, times, why)) {
        state.SkipWithError(probe.empty() ? "cannot find startup_probe" : why.c_str());
        return;
    }
    StartupTimes sum;
    for (auto _ : state) {
        if (!RunProbe(probe, times, why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        state.SetIterationTime(times.firstFrame / 1000.0);
        sum.waits += times.waits;
        sum.toMain += times.toMain;
        sum.window += times.window;
        sum.scriptLines += times.scriptLines;
        sum.loading += times.loading;
        sum.frame += times.frame;
        sum.redraws += times.redraws;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["waits_ms"] = sum.waits / n;
    state.counters["exec_ms"] = sum.toMain / n;
    state.counters["window_ms"] = sum.window / n;
    state.counters["lines_ms"] = sum.scriptLines / n;
    state.counters["loading_ms"] = sum.loading / n;
    state.counters["frame_ms"] = sum.frame / n;
    state.counters["redraws"] = sum.redraws / n;
}
BENCHMARK(StartupToFirstFrame)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
