#pragma once

#include <atomic>
#include <cmath>

// A sine oscillator that advances one sample of a 44100 Hz stream per step.
//
// It keeps two sets of parameters. The user parameters (freq, ampl) are what
// the keyboard changes; the applied parameters (aFreq, aAmpl, aPhaseOffset)
// are what step() actually uses. The stream fill copies one into the other
// before every step, which lets it replace a value for a single step (the
// carrier's amplitude, by the modulator's output) without touching what the
// user set.
//
// freq, ampl, aFreq and aAmpl are shared between the control loop and the
// audio thread. They are atomics with relaxed ordering: each read sees a
// whole old or new value, which is all the program needs, and on x86 a
// relaxed float load or store is a plain move.
class Oscillator {
public:
    // The sample rate is a single-precision constant; the phase increment is
    // still formed in double precision and only the stored phase is rounded.
    static constexpr float kSampleRate = 44100.0f;
    // Two pi to eight significant digits. Not the full-precision value: the
    // rounding of this constant is part of the sound and of the picture.
    static constexpr double kTwoPi = 6.2831853;

    Oscillator(float amplitude, float frequency);

    // Advances one sample. Uses only the applied parameters and the phase.
    // Defined here: the stream fill runs it some 80,000 times a block.
    void step() {
        const double increment = static_cast<double>(aFreq.load(std::memory_order_relaxed)) / kSampleRate;
        phase = static_cast<float>(phase + increment);
        // Wrap once, and only above 1.0: exactly 1.0 stays, and a negative
        // frequency walks the phase down without limit. sin() does not mind.
        if (phase > 1.0f) phase -= 1.0f;
        const double angle = (static_cast<double>(phase) + aPhaseOffset) * kTwoPi;
        value = static_cast<float>(std::sin(angle) *
                                   static_cast<double>(aAmpl.load(std::memory_order_relaxed)));
    }
    float getValue() const { return value; }
    void printParams() const;

    // Field order and types follow the program's data model: all single
    // precision. phase, value and the applied phase offset belong to the
    // audio thread alone.
    float value = 0.0f;
    float phase = 0.0f;
    float phaseOffset = 0.0f;
    std::atomic<float> ampl;
    std::atomic<float> freq;
    float aPhaseOffset = 0.0f;
    std::atomic<float> aAmpl;
    std::atomic<float> aFreq;
};
