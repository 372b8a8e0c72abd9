// Fuzzes the key path: arbitrary bytes, ending anywhere, through the output
// type menu, the driver menu and the control loop, against the stand-in
// audio library. Whatever the bytes, the program may only:
//   - end with status 0, on a lone ESC or at the end of input in a menu;
//   - choose a driver the library listed, and initialise once;
//   - change, per key, only the field the key names, and print two lines.
// The sound and the picture are then computed from whatever parameters the
// keys left, so the sanitizers see the extremes too.
//
// Input: one byte of library behaviour (driver count, reported type, whether
// initialisation fails), then pairs of bytes: a key and whether the
// terminal layer marked it as part of a cursor or function key.

#include <SDL.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/control_keys.h"
#include "audio/audio_setup.h"
#include "display/surface.h"
#include "synth/oscillator.h"
#include "synth/stream_fill.h"
#include "tests/fakes.h"

// The menus end the process with exit(); the fuzzer is linked with
// --wrap=exit so that, inside one run, that comes back here instead.
namespace {
std::jmp_buf endOfRun;
bool insideRun = false;
int exitStatus = -1;
}  // namespace

extern "C" [[noreturn]] void __real_exit(int status);
extern "C" [[noreturn]] void __wrap_exit(int status) {
    if (!insideRun) __real_exit(status);
    exitStatus = status;
    std::longjmp(endOfRun, 1);
}

namespace {

struct Fields {
    float values[4];
    bool operator==(const Fields& other) const {
        return std::memcmp(values, other.values, sizeof values) == 0;  // NaN-safe
    }
};

Fields fieldsOf(const Oscillator& carrier, const Oscillator& modulator) {
    return {{carrier.freq, carrier.ampl, modulator.freq, modulator.ampl}};
}

int fieldOf(signed char key) {
    switch (key) {
        case 'a': case 'q': return 0;
        case 'z': case 's': return 1;
        case 'e': case 'd': return 2;
        case 'r': case 'f': return 3;
        default: return -1;
    }
}

// Standard output goes to memory, so that the lines can be counted.
char* printed = nullptr;
size_t printedSize = 0;

void captureStdout() {
    static FILE* memory = open_memstream(&printed, &printedSize);
    stdout = memory;
}

size_t countLines(size_t from) {
    std::fflush(stdout);
    size_t lines = 0;
    for (size_t i = from; i < printedSize; i++) lines += printed[i] == '\n';
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    captureStdout();
    std::rewind(stdout);
    std::fflush(stdout);

    FuzzedDataProvider input(data, size);
    resetFakeAudio();
    fakeKeys.clear();
    const std::uint8_t library = input.ConsumeIntegral<std::uint8_t>();
    fakeAudio.drivers.assign(library & 0x0F, "driver");
    if (library & 0x10) fakeAudio.reportedOutput = (library >> 5) & 0x07;
    fakeAudio.initResult = (library & 0x80) ? 0 : 1;
    fakeAudio.initError = library;
    while (input.remaining_bytes() > 0) {
        const auto code = static_cast<signed char>(input.ConsumeIntegral<std::uint8_t>());
        scriptKey({KeyRead::key, code, input.ConsumeBool()});
    }
    const std::vector<KeyRead> keys(fakeKeys.begin(), fakeKeys.end());

    insideRun = true;
    exitStatus = -1;
    if (setjmp(endOfRun) != 0) {
        insideRun = false;
        // Ended in a menu: only on a lone ESC or at the end of input.
        if (exitStatus != 0) std::abort();
        const size_t used = keys.size() - fakeKeys.size();
        const bool endedOnEscape = used > 0 && isLoneEscape(keys[used - 1]);
        if (!endedOnEscape && !fakeKeys.empty()) std::abort();
        if (fakeAudio.initCalls != 0) std::abort();
        return 0;
    }
    const bool initialised = setupAudioOutput();
    insideRun = false;

    if (fakeAudio.outputsSet.size() != 1 || fakeAudio.driversSet.size() != 1) std::abort();
    const int driver = fakeAudio.driversSet[0];
    if (driver < 0 || driver >= static_cast<int>(fakeAudio.drivers.size())) std::abort();
    if (fakeAudio.initCalls != 1 || initialised != (fakeAudio.initResult != 0)) std::abort();
    if (!initialised) return 0;

    Oscillator carrier(1.0f, 440.0f), modulator(1.0f, 1.0f);
    while (!fakeKeys.empty()) {
        const KeyRead read = fakeKeys.front();
        fakeKeys.pop_front();
        const Fields before = fieldsOf(carrier, modulator);
        std::fflush(stdout);
        const size_t printedBefore = printedSize;
        handleControlKey(read.code, carrier, modulator);
        if (countLines(printedBefore) != 2) std::abort();
        const Fields after = fieldsOf(carrier, modulator);
        const int field = fieldOf(read.code);
        for (int i = 0; i < 4; i++) {
            if (i != field && std::memcmp(&before.values[i], &after.values[i], sizeof(float)) != 0) std::abort();
        }
    }

    // The sound and the picture from what the keys left.
    static SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, 32,
                                                       0x00FF0000, 0x0000FF00, 0x000000FF, 0);
    std::int16_t block[256];
    synthesiseBlock(carrier, modulator, block, sizeof block);
    if (keys.size() % 16 == 0) plotWaveforms(carrier, modulator, surface);  // the costly part, now and then
    return 0;
}
