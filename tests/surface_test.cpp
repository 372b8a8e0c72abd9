#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "display/surface.h"
#include "synth/oscillator.h"
#include "synth/stream_fill.h"

// The test binary links with --wrap=SDL_LockSurface so that a lock can be
// made to fail, as it can on a hardware surface.
extern "C" int __real_SDL_LockSurface(SDL_Surface* surface);
static bool failNextLock = false;
extern "C" int __wrap_SDL_LockSurface(SDL_Surface* surface) {
    if (failNextLock) {
        failNextLock = false;
        return -1;
    }
    return __real_SDL_LockSurface(surface);
}

namespace {

// A surface over our own memory, with guard bytes on both sides, so that a
// write outside the pixels shows.
class GuardedSurface {
public:
    GuardedSurface(int bitsPerPixel, Uint32 r, Uint32 g, Uint32 b) {
        const int bytesPerPixel = bitsPerPixel / 8;
        pitch_ = kScreenWidth * bytesPerPixel + 6;  // rows end in bytes that are not pixels
        memory_.assign(kGuard + static_cast<size_t>(pitch_) * kScreenHeight + kGuard, kFill);
        surface = SDL_CreateRGBSurfaceFrom(memory_.data() + kGuard, kScreenWidth, kScreenHeight,
                                           bitsPerPixel, pitch_, r, g, b, 0);
    }
    ~GuardedSurface() { SDL_FreeSurface(surface); }

    bool guardsIntact() const {
        for (size_t i = 0; i < kGuard; i++) {
            if (memory_[i] != kFill || memory_[memory_.size() - 1 - i] != kFill) return false;
        }
        return true;
    }
    // Bytes between the end of a row's pixels and the next row.
    bool rowTailsIntact(int bytesPerPixel) const {
        for (int y = 0; y < kScreenHeight; y++) {
            for (int i = kScreenWidth * bytesPerPixel; i < pitch_; i++) {
                if (memory_[kGuard + static_cast<size_t>(y) * pitch_ + i] != kFill) return false;
            }
        }
        return true;
    }
    const std::uint8_t* at(int x, int y, int bytesPerPixel) const {
        return memory_.data() + kGuard + static_cast<size_t>(y) * pitch_ + x * bytesPerPixel;
    }

    SDL_Surface* surface = nullptr;

private:
    static constexpr size_t kGuard = 4096;
    static constexpr std::uint8_t kFill = 0xA5;
    std::vector<std::uint8_t> memory_;
    int pitch_ = 0;
};

std::uint32_t read32(const std::uint8_t* at) {
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

TEST(PutPixel, WritesTheFirstAndTheLastPixelAndKeepsTheLaterColour) {
    GuardedSurface s(32, 0xFF0000, 0xFF00, 0xFF);
    putPixel(s.surface, 0, 0, 0x00112233);
    putPixel(s.surface, 639, 479, 0x00445566);
    putPixel(s.surface, 639, 479, 0x00778899);
    EXPECT_EQ(read32(s.at(0, 0, 4)), 0x00112233u);
    EXPECT_EQ(read32(s.at(639, 479, 4)), 0x00778899u);
    EXPECT_TRUE(s.guardsIntact());
    EXPECT_TRUE(s.rowTailsIntact(4));
}

TEST(ClearSurface, BlackensEveryPixelButNotTheRowTails) {
    GuardedSurface s(32, 0xFF0000, 0xFF00, 0xFF);
    clearSurface(s.surface);
    EXPECT_EQ(read32(s.at(0, 0, 4)), 0u);
    EXPECT_EQ(read32(s.at(639, 479, 4)), 0u);
    EXPECT_TRUE(s.guardsIntact());
    EXPECT_TRUE(s.rowTailsIntact(4));
}

TEST(ClearSurface, LeavesThePictureWhenTheLockFails) {
    GuardedSurface s(32, 0xFF0000, 0xFF00, 0xFF);
    putPixel(s.surface, 10, 10, 0x00FFFFFF);
    failNextLock = true;
    clearSurface(s.surface);
    EXPECT_FALSE(failNextLock);
    EXPECT_EQ(read32(s.at(10, 10, 4)), 0x00FFFFFFu);
    EXPECT_EQ(read32(s.at(0, 0, 4)), 0xA5A5A5A5u);  // not cleared either
}

TEST(PutPixel, SixteenBitSurfaceGetsMappedColoursAndNothingOutside) {
    GuardedSurface s(16, 0xF800, 0x07E0, 0x001F);  // RGB 565
    Oscillator carrier(50.0f, 440.0f);  // rows far outside the surface
    Oscillator modulator(30.0f, 3.0f);
    clearSurface(s.surface);
    plotWaveforms(carrier, modulator, s.surface);
    putPixel(s.surface, 639, 479, 0x00FF00FF);
    EXPECT_TRUE(s.guardsIntact());
    EXPECT_TRUE(s.rowTailsIntact(2));

    std::uint16_t last;
    std::memcpy(&last, s.at(639, 479, 2), 2);
    EXPECT_EQ(last, 0xF81F);  // magenta in 565
    bool sawWhite = false;
    for (int y = 0; y < kScreenHeight && !sawWhite; y++) {
        for (int x = 0; x < kScreenWidth && !sawWhite; x++) {
            std::uint16_t p;
            std::memcpy(&p, s.at(x, y, 2), 2);
            sawWhite = p == 0xFFFF;
        }
    }
    EXPECT_TRUE(sawWhite);
}

}  // namespace
