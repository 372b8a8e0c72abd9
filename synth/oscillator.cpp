#include "synth/oscillator.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// The sample rate is a single-precision constant; the phase increment is
// still formed in double precision and only the stored phase is rounded.
constexpr float kSampleRate = 44100.0f;

// Two pi to eight significant digits. Not the full-precision value: the
// rounding of this constant is part of the sound and of the picture.
constexpr double kTwoPi = 6.2831853;

}  // namespace

Oscillator::Oscillator(float amplitude, float frequency)
    : phaseOffset(0.0f),
      ampl(amplitude),
      freq(frequency),
      aPhaseOffset(phaseOffset),
      aAmpl(amplitude),
      aFreq(frequency) {}

void Oscillator::step() {
    const double increment = static_cast<double>(aFreq.load(relaxed)) / kSampleRate;
    phase = static_cast<float>(phase + increment);
    // Wrap once, and only above 1.0: exactly 1.0 stays, and a negative
    // frequency walks the phase down without limit. sin() does not care.
    if (phase > 1.0f) phase -= 1.0f;

    const double angle = (static_cast<double>(phase) + aPhaseOffset) * kTwoPi;
    value = static_cast<float>(std::sin(angle) * static_cast<double>(aAmpl.load(relaxed)));
}

void Oscillator::printParams() const {
    std::printf("Freq [%f] Ampl [%f] - AFreq [%f] AAmpl [%f]  \n",
                static_cast<double>(freq.load(relaxed)),
                static_cast<double>(ampl.load(relaxed)),
                static_cast<double>(aFreq.load(relaxed)),
                static_cast<double>(aAmpl.load(relaxed)));
}
