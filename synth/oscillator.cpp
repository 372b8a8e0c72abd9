#include "synth/oscillator.h"

#include <cstdio>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

}  // namespace

Oscillator::Oscillator(float amplitude, float frequency)
    : phaseOffset(0.0f),
      ampl(amplitude),
      freq(frequency),
      aPhaseOffset(phaseOffset),
      aAmpl(amplitude),
      aFreq(frequency) {}

void Oscillator::printParams() const {
    std::printf("Freq [%f] Ampl [%f] - AFreq [%f] AAmpl [%f]  \n",
                static_cast<double>(freq.load(relaxed)),
                static_cast<double>(ampl.load(relaxed)),
                static_cast<double>(aFreq.load(relaxed)),
                static_cast<double>(aAmpl.load(relaxed)));
}
