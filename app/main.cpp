// amtone: an amplitude-modulated sine tone, played and drawn in real time.

#include <SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/control_keys.h"
#include "app/shared_objects.h"
#include "audio/audio_setup.h"
#include "display/surface.h"
#include "platform/console_keys.h"
#include "platform/fsound.h"
#include "platform/standard_streams.h"
#include "synth/oscillator.h"
#include "synth/stream_fill.h"

namespace {

// How long the control loop waits for a key before it looks at the window's
// events. Short enough that closing the window and the library's deferred
// presentation of the picture feel immediate; long enough to cost nothing.
constexpr int kEventCheckMs = 25;

void reportAudioFailure() {
    std::printf("Error!\n");
    std::printf("%s\n", audioErrorText(FSOUND_GetError()));
    std::exit(1);
}

// Escape codes into a pipe or a file are noise, and without a terminal the
// command only complains; the console is cleared only when it is one.
void clearConsole() {
    if (!isatty(STDOUT_FILENO)) return;
    std::fflush(stdout);
    [[maybe_unused]] const int status = std::system("clear");
}

bool windowClosed() {
    SDL_Event event;
    bool closed = false;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) closed = true;
    }
    return closed;
}

void handlePendingKeys() {
    while (keyPending()) {
        const KeyRead read = readKey();
        if (read.kind != KeyRead::key) return;
        handleControlKey(read.code, *carrier, *modulator);
    }
}

// Runs until a stop signal arrives or the window is closed. It waits for
// keys instead of polling without pause, and handles them one read at a time.
void runControlLoop() {
    for (;;) {
        const WaitResult waited = waitForKey(kEventCheckMs);
        if (waited == WaitResult::stopRequested) return;
        if (waited == WaitResult::keyPending) handlePendingKeys();
        if (windowClosed()) return;
    }
}

}  // namespace

int main(int, char**) {
    openMissingStandardStreams();
    silenceLibraryDiagnostics();
    // We answer stop signals ourselves, with an orderly shutdown.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
    SDL_Init(SDL_INIT_NOPARACHUTE);
    std::atexit(SDL_Quit);
    // Every line appears at once, also when standard output is a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    startConsoleKeys();

    if (!setupAudioOutput()) return 1;

    screen = openDisplay();
    if (!screen) {
        std::printf("Error!\n");
        std::printf("%s\n", SDL_GetError());
        return 1;
    }
    clearConsole();
    std::printf("aqzsedrf pour modifier les trucs \n");

    carrier = new Oscillator(1.0f, 440.0f);
    modulator = new Oscillator(1.0f, 1.0f);

    FSOUND_STREAM* stream = FSOUND_Stream_Create(streamFill, streamBlockBytes,
                                                 FSOUND_STREAM_MODE_16BIT_SIGNED_STEREO, mixRate,
                                                 carrier);
    if (!stream) reportAudioFailure();
    if (FSOUND_Stream_Play(0, stream) == -1) reportAudioFailure();

    runControlLoop();

    // The stream stops before the graphics library shuts down, so no draw
    // races the shutdown.
    FSOUND_Stream_Stop(stream);
    FSOUND_Stream_Close(stream);
    FSOUND_Close();
    if (stopSignal() != 0) {
        SDL_Quit();
        endByStopSignal();
    }
    return 0;
}
