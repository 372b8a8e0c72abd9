#include "synth/stream_fill.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "app/shared_objects.h"
#include "display/surface.h"
#include "synth/oscillator.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

constexpr int kSampleScale = 10000;

// The plot walks x from 0 to 640 in steps of 0.01 accumulated in single
// precision. The rounding makes it 63,969 steps rather than 64,000, with 99
// to 101 steps per pixel column.
constexpr float kPlotEnd = 640.0f;
constexpr double kPlotStep = 0.01;
constexpr float kModulatorScale = 10.0f;  // +-1 spans rows 230..250
constexpr float kCarrierScale = 100.0f;   // +-1 spans rows 140..340
constexpr float kCentreRow = 240.0f;
constexpr std::uint32_t kModulatorColour = 0x00FF00FF;  // magenta
constexpr std::uint32_t kCarrierColour = 0x00FFFFFF;    // white

struct StepOutput {
    float modulator;
    float carrier;
};

// The modulator's output scales the carrier's amplitude for this one step.
// m already carries the modulator's amplitude, so that amplitude enters the
// product twice; the product is formed in double precision.
StepOutput modulatedStep(Oscillator& carrier, Oscillator& modulator) {
    modulator.aFreq.store(modulator.freq.load(relaxed), relaxed);
    modulator.aPhaseOffset = modulator.phaseOffset;
    modulator.aAmpl.store(modulator.ampl.load(relaxed), relaxed);
    modulator.step();
    const float m = modulator.getValue();

    carrier.aFreq.store(carrier.freq.load(relaxed), relaxed);
    carrier.aPhaseOffset = carrier.phaseOffset;
    const double carrierAmpl = carrier.ampl.load(relaxed);
    carrier.aAmpl.store(static_cast<float>(static_cast<double>(m) *
                                           modulator.aAmpl.load(relaxed) * carrierAmpl),
                        relaxed);
    carrier.step();
    return {m, carrier.getValue()};
}

void storeSample(unsigned char* at, std::int16_t sample) {
    const auto bits = static_cast<std::uint16_t>(sample);
    at[0] = static_cast<unsigned char>(bits & 0xFF);  // little-endian
    at[1] = static_cast<unsigned char>(bits >> 8);
}

// The row for a value, or -1 when it falls outside the surface. The float is
// compared before it is converted, so no value (huge, infinite or NaN) makes
// the conversion undefined. Truncation is toward zero: -0.5 is row 0.
int rowFor(float value, float scale, int height) {
    const float row = scale * value + kCentreRow;
    if (!(row > -1.0f && row < static_cast<float>(height))) return -1;
    return static_cast<int>(row);
}

}  // namespace

std::int16_t sampleFromCarrier(float carrierOutput) {
    if (std::isnan(carrierOutput)) return 0;
    // From +-4 up every product saturates, so clamping first changes no
    // sample and keeps the conversion to int in range.
    const int whole = static_cast<int>(std::clamp(carrierOutput, -4.0f, 4.0f));
    return static_cast<std::int16_t>(std::clamp(whole * kSampleScale, -32768, 32767));
}

void synthesiseBlock(Oscillator& carrier, Oscillator& modulator, void* block, int lengthBytes) {
    auto* frame = static_cast<unsigned char*>(block);
    const int frames = lengthBytes >> 2;  // a trailing partial frame is left untouched
    // The counter is single precision, as the sound has always been
    // computed; the integer index keeps the writes inside the block even
    // where the float would stop counting.
    float counter = 0.0f;
    for (int i = 0; static_cast<float>(frames) > counter && i < frames; i++, counter += 1.0f) {
        const std::int16_t sample = sampleFromCarrier(modulatedStep(carrier, modulator).carrier);
        storeSample(frame, sample);      // left
        storeSample(frame + 2, sample);  // right
        frame += 4;
    }
}

void plotWaveforms(Oscillator& carrier, Oscillator& modulator, SDL_Surface* surface) {
    // The picture always starts both oscillators from phase 0, so it stays
    // still while the parameters do; the sound goes on from the saved phases.
    const float carrierPhase = carrier.phase;
    const float modulatorPhase = modulator.phase;
    carrier.phase = 0.0f;
    modulator.phase = 0.0f;

    const int width = surface->w;
    const int height = surface->h;
    for (float x = 0.0f; x < kPlotEnd; x = static_cast<float>(x + kPlotStep)) {
        const StepOutput out = modulatedStep(carrier, modulator);
        const int column = static_cast<int>(x);
        if (column >= width) continue;
        const int modulatorRow = rowFor(out.modulator, kModulatorScale, height);
        if (modulatorRow >= 0) putPixel(surface, column, modulatorRow, kModulatorColour);
        const int carrierRow = rowFor(out.carrier, kCarrierScale, height);
        if (carrierRow >= 0) putPixel(surface, column, carrierRow, kCarrierColour);
    }

    carrier.phase = carrierPhase;
    modulator.phase = modulatorPhase;
}

signed char streamFill(FSOUND_STREAM*, void* block, int lengthBytes, void*) {
    clearSurface(screen);
    synthesiseBlock(*carrier, *modulator, block, lengthBytes);
    plotWaveforms(*carrier, *modulator, screen);
    SDL_Flip(screen);
    return 1;
}
