// The real audio library layer, on its NoSound output, which needs no
// device: call order, arguments, and the streaming thread's life.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <tuple>

#include "platform/fsound.h"

namespace {

constexpr unsigned kMode = FSOUND_STREAM_MODE_16BIT_SIGNED_STEREO;

signed char silentFill(FSOUND_STREAM*, void*, int, void*) { return 1; }

class AudioLayer : public testing::Test {
protected:
    void TearDown() override { FSOUND_Close(); }

    void initNoSound() {
        ASSERT_EQ(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND), 1);
        ASSERT_EQ(FSOUND_SetDriver(0), 1);
        ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    }
};

TEST_F(AudioLayer, NoSoundHasOneDriverAndAlwaysInitialises) {
    EXPECT_EQ(FSOUND_GetVersion(), 3.74f);
    ASSERT_EQ(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND), 1);
    EXPECT_EQ(FSOUND_GetOutput(), FSOUND_OUTPUT_NOSOUND);
    EXPECT_EQ(FSOUND_GetNumDrivers(), 1);
    EXPECT_NE(FSOUND_GetDriverName(0), nullptr);
    EXPECT_EQ(FSOUND_GetDriverName(1), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 1);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_NONE);
}

TEST_F(AudioLayer, CallsOutOfOrderOrWithBadArgumentsFailWithTheirCodes) {
    int dummy = 0;
    EXPECT_EQ(FSOUND_Stream_Create(silentFill, 65536, kMode, 44100, &dummy), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_UNINITIALIZED);
    EXPECT_EQ(FSOUND_Stream_Play(0, nullptr), -1);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_UNINITIALIZED);

    for (const int type : {-1, 8, 12}) {
        EXPECT_EQ(FSOUND_SetOutput(type), 0);
        EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
    }

    ASSERT_EQ(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND), 1);
    EXPECT_EQ(FSOUND_SetDriver(1), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
    for (const auto& [rate, channels, flags] : {std::tuple{0, 32, 0u}, std::tuple{44100, -1, 0u},
                                                std::tuple{44100, 32, 1u}}) {
        EXPECT_EQ(FSOUND_Init(rate, channels, flags), 0);
        EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
    }

    initNoSound();
    EXPECT_EQ(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_AFTER_INIT);
    EXPECT_EQ(FSOUND_SetDriver(0), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_AFTER_INIT);
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_AFTER_INIT);

    struct StreamCase { FSOUND_STREAMCALLBACK callback; int length; unsigned mode; int rate; };
    for (const StreamCase c : {StreamCase{nullptr, 65536, kMode, 44100},
                               StreamCase{silentFill, 0, kMode, 44100},
                               StreamCase{silentFill, 65536, 0x01000140u, 44100},
                               StreamCase{silentFill, 65536, kMode, 48000}}) {
        EXPECT_EQ(FSOUND_Stream_Create(c.callback, c.length, c.mode, c.rate, &dummy), nullptr);
        EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
    }
    EXPECT_EQ(FSOUND_Stream_Play(0, nullptr), -1);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
}

// Counts calls; the test waits on it instead of sleeping.
struct CallbackProbe {
    std::mutex mutex;
    std::condition_variable called;
    int calls = 0;
    std::atomic<bool> inside{false};
    FSOUND_STREAM* stream = nullptr;
    void* block = nullptr;
    int length = -1;
};

signed char probeFill(FSOUND_STREAM* stream, void* block, int length, void* user) {
    auto* probe = static_cast<CallbackProbe*>(user);
    probe->inside = true;
    {
        std::lock_guard lock(probe->mutex);
        probe->calls++;
        probe->stream = stream;
        probe->block = block;
        probe->length = length;
    }
    probe->called.notify_all();
    probe->inside = false;
    return 1;
}

TEST_F(AudioLayer, StreamCallsBackUntilStoppedAndNeverAfter) {
    initNoSound();
    CallbackProbe probe;
    FSOUND_STREAM* stream = FSOUND_Stream_Create(probeFill, 65536, kMode, 44100, &probe);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(FSOUND_Stream_Play(0, stream), 0);
    {
        std::unique_lock lock(probe.mutex);
        ASSERT_TRUE(probe.called.wait_for(lock, std::chrono::seconds(10), [&] { return probe.calls >= 2; }));
        EXPECT_EQ(probe.stream, stream);
        EXPECT_NE(probe.block, nullptr);
        EXPECT_EQ(probe.length, 65536);
    }
    EXPECT_EQ(FSOUND_Stream_Stop(stream), 1);
    EXPECT_FALSE(probe.inside);
    const int callsAtStop = probe.calls;
    EXPECT_EQ(FSOUND_Stream_Close(stream), 1);
    FSOUND_Close();
    EXPECT_EQ(probe.calls, callsAtStop);
}

TEST_F(AudioLayer, ClosingTheLibraryStopsAPlayingStream) {
    initNoSound();
    CallbackProbe probe;
    FSOUND_STREAM* stream = FSOUND_Stream_Create(probeFill, 65536, kMode, 44100, &probe);
    ASSERT_EQ(FSOUND_Stream_Play(-1, stream), 0);
    FSOUND_Close();
    EXPECT_FALSE(probe.inside);
    EXPECT_EQ(FSOUND_Stream_Play(0, stream), -1);  // closed with the library
}

}  // namespace
