#include <gtest/gtest.h>

#include "app/control_keys.h"
#include "synth/oscillator.h"

namespace {

struct Fields {
    float carrierFreq, carrierAmpl, modulatorFreq, modulatorAmpl;
    bool operator==(const Fields&) const = default;
};

Fields fieldsOf(const Oscillator& carrier, const Oscillator& modulator) {
    return {carrier.freq, carrier.ampl, modulator.freq, modulator.ampl};
}

Fields afterKey(char key) {
    Oscillator carrier(1.0f, 440.0f);
    Oscillator modulator(1.0f, 1.0f);
    applyControlKey(key, carrier, modulator);
    return fieldsOf(carrier, modulator);
}

TEST(ControlKeys, EachKeyChangesItsOneField) {
    struct Case { char key; Fields expected; };
    const Case cases[] = {
        {'a', {450.0f, 1.0f, 1.0f, 1.0f}}, {'q', {430.0f, 1.0f, 1.0f, 1.0f}},
        {'z', {440.0f, 1.01f, 1.0f, 1.0f}}, {'s', {440.0f, 0.99f, 1.0f, 1.0f}},
        {'e', {440.0f, 1.0f, 2.0f, 1.0f}}, {'d', {440.0f, 1.0f, 0.0f, 1.0f}},
        {'r', {440.0f, 1.0f, 1.0f, 1.01f}}, {'f', {440.0f, 1.0f, 1.0f, 0.99f}},
        // Exact codes only: upper case, digits and the rest change nothing.
        {'A', {440.0f, 1.0f, 1.0f, 1.0f}}, {'Z', {440.0f, 1.0f, 1.0f, 1.0f}},
        {'1', {440.0f, 1.0f, 1.0f, 1.0f}}, {'\x1b', {440.0f, 1.0f, 1.0f, 1.0f}},
        {'\xe1', {440.0f, 1.0f, 1.0f, 1.0f}},  // 'a' + 128
    };
    for (const Case& c : cases) EXPECT_EQ(afterKey(c.key), c.expected) << "key " << int(c.key);
}

TEST(ControlKeys, FrequencyGoesThroughZeroToNegative) {
    Oscillator carrier(1.0f, 440.0f);
    Oscillator modulator(1.0f, 1.0f);
    for (int i = 0; i < 44; i++) applyControlKey('q', carrier, modulator);
    EXPECT_EQ(carrier.freq, 0.0f);
    applyControlKey('q', carrier, modulator);
    EXPECT_EQ(carrier.freq, -10.0f);
}

TEST(ControlKeys, AmplitudeStepsRoundToSinglePrecisionAndMissZero) {
    Oscillator carrier(1.0f, 440.0f);
    Oscillator modulator(1.0f, 1.0f);
    for (int i = 0; i < 100; i++) applyControlKey('s', carrier, modulator);
    EXPECT_NE(carrier.ampl, 0.0f);
    EXPECT_NEAR(carrier.ampl, 6.6e-7, 0.1e-7);
    applyControlKey('s', carrier, modulator);
    EXPECT_LT(carrier.ampl, 0.0f);
}

}  // namespace
