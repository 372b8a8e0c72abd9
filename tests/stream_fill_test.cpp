#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <vector>

#include "app/shared_objects.h"
#include "display/surface.h"
#include "synth/oscillator.h"
#include "synth/stream_fill.h"

namespace {

constexpr std::uint32_t kMagenta = 0x00FF00FF;
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr int kFramesPerBlock = streamBlockBytes / 4;

// The program-wide objects on an in-memory 640x480 32-bit surface.
class StreamFill : public testing::Test {
protected:
    void SetUp() override {
        surface_ = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, 32, 0x00FF0000,
                                        0x0000FF00, 0x000000FF, 0);
        ASSERT_NE(surface_, nullptr);
        screen = surface_;
        carrier = &carrier_;
        modulator = &modulator_;
    }
    void TearDown() override {
        SDL_FreeSurface(surface_);
        screen = nullptr;
        carrier = modulator = nullptr;
    }

    std::vector<std::int16_t> fill(int lengthBytes) {
        std::vector<std::int16_t> samples(static_cast<size_t>(std::max(lengthBytes, 0)) / 2 + 8, 0x5A5A);
        EXPECT_EQ(streamFill(nullptr, samples.data(), lengthBytes, carrier), 1);
        return samples;
    }

    std::uint32_t pixel(int x, int y) const {
        std::uint32_t value;
        std::memcpy(&value, static_cast<char*>(surface_->pixels) + y * surface_->pitch + 4 * x, 4);
        return value;
    }

    // Rows where each colour appears, over the whole surface.
    std::map<std::uint32_t, std::set<int>> rowsByColour() const {
        std::map<std::uint32_t, std::set<int>> rows;
        for (int y = 0; y < kScreenHeight; y++)
            for (int x = 0; x < kScreenWidth; x++) rows[pixel(x, y)].insert(y);
        return rows;
    }

    SDL_Surface* surface_ = nullptr;
    Oscillator carrier_{1.0f, 440.0f};
    Oscillator modulator_{1.0f, 1.0f};
};

TEST(SampleFromCarrier, TruncatesBeforeScalingAndSaturates) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case { float output; std::int16_t sample; };
    const Case cases[] = {
        {0.0f, 0},      {0.7f, 0},          {-0.7f, 0},         {0.9999f, 0},
        {1.0f, 10000},  {1.5f, 10000},      {-1.5f, -10000},    {2.0f, 20000},
        {-3.5f, -30000}, {3.999f, 30000},   {4.0f, 32767},      {-4.0f, -32768},
        {4.5f, 32767},  {1e30f, 32767},     {-1e30f, -32768},   {inf, 32767},
        {-inf, -32768}, {std::nanf(""), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(sampleFromCarrier(c.output), c.sample) << c.output;
}

TEST_F(StreamFill, StartValuesGiveASilentBlock) {
    const auto samples = fill(streamBlockBytes);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.begin() + 2 * kFramesPerBlock,
                            [](std::int16_t s) { return s == 0; }));
}

TEST_F(StreamFill, LouderCarrierGivesStepsOfTenThousandOnBothChannels) {
    carrier_.ampl = 1.5f;
    const auto samples = fill(streamBlockBytes);
    std::set<int> values;
    for (int i = 0; i < kFramesPerBlock; i++) {
        ASSERT_EQ(samples[2 * i], samples[2 * i + 1]) << "frame " << i;
        values.insert(samples[2 * i]);
    }
    EXPECT_EQ(values, std::set<int>({-10000, 0, 10000}));
}

TEST_F(StreamFill, LoudCarrierSaturatesInsteadOfWrapping) {
    carrier_.ampl = 4.5f;
    modulator_.freq = 10.0f;  // a full modulation cycle within the block
    const auto samples = fill(streamBlockBytes);
    std::set<int> values(samples.begin(), samples.begin() + 2 * kFramesPerBlock);
    EXPECT_EQ(values, std::set<int>({-32768, -30000, -20000, -10000, 0, 10000, 20000, 30000, 32767}));
}

TEST_F(StreamFill, BlocksContinueEachOtherAcrossThePlot) {
    carrier_.ampl = 3.0f;
    const auto first = fill(streamBlockBytes);
    const auto second = fill(streamBlockBytes);

    Oscillator carrier2(3.0f, 440.0f), modulator2(1.0f, 1.0f);
    std::vector<std::int16_t> whole(4 * kFramesPerBlock);
    synthesiseBlock(carrier2, modulator2, whole.data(), 2 * streamBlockBytes);

    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 2 * kFramesPerBlock, whole.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.begin() + 2 * kFramesPerBlock,
                           whole.begin() + 2 * kFramesPerBlock));
}

TEST_F(StreamFill, PlotRuns63969StepsFromPhaseZero) {
    fill(streamBlockBytes);
    // After the call the modulator holds what the last plot step left.
    Oscillator reference(1.0f, 1.0f);
    for (int i = 0; i < 63969; i++) reference.step();
    EXPECT_EQ(modulator_.getValue(), reference.getValue());
    reference.step();
    EXPECT_NE(modulator_.getValue(), reference.getValue());
}

TEST_F(StreamFill, StartValuesDrawBothCurvesInTheirBands) {
    fill(streamBlockBytes);
    auto rows = rowsByColour();
    EXPECT_EQ(rows.size(), 3u);  // black, magenta, white and nothing else
    ASSERT_FALSE(rows[kMagenta].empty());
    ASSERT_FALSE(rows[kWhite].empty());
    // Truncation toward zero: a peak just short of 1.0 lands on row 339 or 249.
    EXPECT_EQ(*rows[kMagenta].begin(), 230);
    EXPECT_GE(*rows[kMagenta].rbegin(), 249);
    EXPECT_LE(*rows[kMagenta].rbegin(), 250);
    EXPECT_EQ(*rows[kWhite].begin(), 140);
    EXPECT_GE(*rows[kWhite].rbegin(), 339);
    EXPECT_LE(*rows[kWhite].rbegin(), 340);
    // Every column carries the carrier's curve.
    for (int x = 0; x < kScreenWidth; x++) {
        bool white = false;
        for (int y = 140; y <= 340 && !white; y++) white = pixel(x, y) == kWhite;
        ASSERT_TRUE(white) << "column " << x;
    }
}

TEST_F(StreamFill, PictureStandsStillAndIsRedrawnOverBlack) {
    fill(streamBlockBytes);
    std::vector<std::uint32_t> first(static_cast<std::uint32_t*>(surface_->pixels),
                                     static_cast<std::uint32_t*>(surface_->pixels) + 640 * 480);
    fill(streamBlockBytes);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), static_cast<std::uint32_t*>(surface_->pixels)));
}

TEST_F(StreamFill, OddLengthsWriteWholeFramesOnly) {
    const auto empty = fill(0);
    EXPECT_TRUE(std::all_of(empty.begin(), empty.end(), [](std::int16_t s) { return s == 0x5A5A; }));
    EXPECT_FALSE(rowsByColour()[kWhite].empty());  // still drawn

    const auto over = fill(streamBlockBytes + 2);
    EXPECT_EQ(over[2 * kFramesPerBlock - 1], 0);
    EXPECT_EQ(over[2 * kFramesPerBlock], 0x5A5A);  // the trailing two bytes are untouched
}

TEST_F(StreamFill, ExtremeParametersStayInsideTheSurface) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case { float carrierAmpl, modulatorAmpl, carrierFreq; };
    for (const Case c : {Case{1000.0f, 1.0f, 440.0f}, Case{5.0f, 500.0f, 440.0f},
                         Case{-1e30f, 1e30f, 440.0f}, Case{inf, 1.0f, 440.0f},
                         Case{1.0f, 1.0f, std::nanf("")}, Case{2.0f, 1.0f, 1e9f}}) {
        carrier_.ampl = c.carrierAmpl;
        modulator_.ampl = c.modulatorAmpl;
        carrier_.freq = c.carrierFreq;
        fill(streamBlockBytes);
        for (const auto& [colour, rows] : rowsByColour()) {
            EXPECT_TRUE(colour == 0 || colour == kMagenta || colour == kWhite) << colour;
        }
    }
}

}  // namespace
