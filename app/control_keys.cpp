#include "app/control_keys.h"

#include <atomic>

#include "synth/oscillator.h"

namespace {

enum class Target { carrierFreq, carrierAmpl, modulatorFreq, modulatorAmpl };

struct KeyRow {
    char key;
    Target target;
    int direction;  // +1 raises the value, -1 lowers it
};

// Four pairs: the first key of each raises a value, the second lowers it.
constexpr KeyRow kKeyTable[] = {
    {'a', Target::carrierFreq, +1},   {'q', Target::carrierFreq, -1},
    {'z', Target::carrierAmpl, +1},   {'s', Target::carrierAmpl, -1},
    {'e', Target::modulatorFreq, +1}, {'d', Target::modulatorFreq, -1},
    {'r', Target::modulatorAmpl, +1}, {'f', Target::modulatorAmpl, -1},
};

// Frequencies move by single-precision steps, in single precision.
void stepFrequency(std::atomic<float>& field, float step, int direction) {
    const float old = field.load(std::memory_order_relaxed);
    field.store(direction > 0 ? old + step : old - step, std::memory_order_relaxed);
}

// Amplitudes move by the double constant 0.01 in double precision and are
// rounded back: 100 presses of 's' from 1.0 leave about 6.6e-7, not zero.
void stepAmplitude(std::atomic<float>& field, int direction) {
    const double old = field.load(std::memory_order_relaxed);
    field.store(static_cast<float>(direction > 0 ? old + 0.01 : old - 0.01),
                std::memory_order_relaxed);
}

}  // namespace

void applyControlKey(signed char key, Oscillator& carrier, Oscillator& modulator) {
    for (const KeyRow& row : kKeyTable) {
        if (key != row.key) continue;
        switch (row.target) {
            case Target::carrierFreq: stepFrequency(carrier.freq, 10.0f, row.direction); break;
            case Target::carrierAmpl: stepAmplitude(carrier.ampl, row.direction); break;
            case Target::modulatorFreq: stepFrequency(modulator.freq, 1.0f, row.direction); break;
            case Target::modulatorAmpl: stepAmplitude(modulator.ampl, row.direction); break;
        }
    }
}

void handleControlKey(signed char key, Oscillator& carrier, Oscillator& modulator) {
    applyControlKey(key, carrier, modulator);
    carrier.printParams();
    modulator.printParams();
}
