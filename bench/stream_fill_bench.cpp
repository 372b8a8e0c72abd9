// What one audio block costs, and what the whole program costs while it
// plays. A block holds 16384 frames, 371.5 ms of sound: the callback must
// take a small share of that, or the stream and the keys stall.

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "app/shared_objects.h"
#include "display/surface.h"
#include "synth/oscillator.h"
#include "synth/stream_fill.h"

extern char** environ;

namespace {

constexpr double kBlockSeconds = 16384.0 / 44100.0;

// streamFill without the flip: clear, synthesise, plot, on an in-memory
// 640x480 32-bit surface, with the start values.
void BM_StreamFillBlock(benchmark::State& state) {
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, 32,
                                                0x00FF0000, 0x0000FF00, 0x000000FF, 0);
    Oscillator carrierOsc(1.0f, 440.0f), modulatorOsc(1.0f, 1.0f);
    std::vector<unsigned char> block(streamBlockBytes);
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        clearSurface(surface);
        synthesiseBlock(carrierOsc, modulatorOsc, block.data(), streamBlockBytes);
        plotWaveforms(carrierOsc, modulatorOsc, surface);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    const double perBlock =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() /
        static_cast<double>(state.iterations());
    state.counters["block_share_%"] = 100.0 * perBlock / kBlockSeconds;
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_StreamFillBlock)->Unit(benchmark::kMillisecond);

// The whole program under NoSound and the dummy video driver: CPU time over
// wall time while it plays, with no key pressed.
void BM_ProgramCpuShare(benchmark::State& state) {
    const double seconds = static_cast<double>(state.range(0));
    for (auto _ : state) {
        int keys[2];
        if (pipe(keys) != 0) state.SkipWithError("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, keys[0], STDIN_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&actions, keys[1]);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        char program[] = AMTONE_BIN;
        char* argv[] = {program, nullptr};
        pid_t pid;
        if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("spawn");
            break;
        }
        close(keys[0]);
        const auto started = std::chrono::steady_clock::now();
        [[maybe_unused]] const ssize_t written = write(keys[1], "41", 2);  // NoSound, its driver
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));  // the measured span
        kill(pid, SIGTERM);
        int status;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        close(keys[1]);
        posix_spawn_file_actions_destroy(&actions);
        const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                           usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
        state.counters["cpu_share_%"] = 100.0 * cpu / wall;
        state.SetIterationTime(wall);
    }
}
BENCHMARK(BM_ProgramCpuShare)->Arg(30)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
