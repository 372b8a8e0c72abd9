#pragma once

#include <atomic>

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
    Oscillator(float amplitude, float frequency);

    void step();
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
