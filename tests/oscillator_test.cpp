#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "synth/oscillator.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

TEST(Oscillator, NewOscillatorPrintsUserAndAppliedParameters) {
    const Oscillator osc(1.0f, 440.0f);
    CaptureStdout();
    osc.printParams();
    EXPECT_EQ(GetCapturedStdout(),
              "Freq [440.000000] Ampl [1.000000] - AFreq [440.000000] AAmpl [1.000000]  \n");
    EXPECT_EQ(osc.phase, 0.0f);
    EXPECT_EQ(osc.phaseOffset, 0.0f);
    EXPECT_EQ(osc.aPhaseOffset, 0.0f);
}

TEST(Oscillator, StepRoundsThePhaseToSinglePrecisionAfterADoubleSum) {
    Oscillator osc(1.0f, 440.0f);
    float expected = 0.0f;
    for (int i = 0; i < 1000; i++) {
        osc.step();
        expected = static_cast<float>(expected + 440.0 / 44100.0);
        if (expected > 1.0f) expected -= 1.0f;
        ASSERT_EQ(osc.phase, expected) << "step " << i;
    }
    // A phase kept in double precision would have drifted away by now.
    double exact = 1000 * 440.0 / 44100.0;
    exact -= std::floor(exact);
    EXPECT_NE(static_cast<double>(osc.phase), exact);
}

TEST(Oscillator, FullCycleStepLandsOnOneAndDoesNotWrap) {
    Oscillator osc(1.0f, 44100.0f);
    osc.step();
    EXPECT_EQ(osc.phase, 1.0f);
    // sin of the eight-digit two pi: small, negative, not zero.
    EXPECT_EQ(osc.getValue(), static_cast<float>(std::sin(6.2831853)));
    EXPECT_LT(osc.getValue(), 0.0f);
    osc.step();  // 2.0 is above 1.0: wraps once, back to 1.0
    EXPECT_EQ(osc.phase, 1.0f);
}

TEST(Oscillator, QuarterCycleStepPeaksNearOne) {
    Oscillator osc(1.0f, 44100.0f / 4);
    osc.step();
    EXPECT_EQ(osc.phase, 0.25f);
    EXPECT_NEAR(osc.getValue(), 1.0f, 1e-7);
}

TEST(Oscillator, NegativeFrequencyWalksThePhaseDownWithoutWrapping) {
    Oscillator osc(1.0f, -10.0f);
    float previous = osc.phase;
    for (int i = 0; i < 10000; i++) {
        osc.step();
        ASSERT_LT(osc.phase, previous);
        previous = osc.phase;
    }
    EXPECT_NEAR(osc.phase, -10000 * 10.0 / 44100.0, 1e-3);
}

TEST(Oscillator, AppliedAmplitudeScalesTheOutput) {
    Oscillator osc(1.0f, 44100.0f / 4);
    osc.aAmpl = 2.5f;
    osc.step();
    EXPECT_NEAR(osc.getValue(), 2.5f, 1e-6);
    EXPECT_EQ(osc.ampl, 1.0f);  // the user's amplitude is untouched
}

}  // namespace
