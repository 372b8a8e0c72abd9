// The audio library layer over PortAudio.
//
// Output types map onto PortAudio's host audio systems of the same family.
// A type this platform does not have falls back to the platform's default
// host audio system, and FSOUND_GetOutput reports the type actually in use,
// so every menu choice still reaches a real device. NoSound needs no device:
// its stream is paced by the clock and its samples are dropped.
//
// Streaming runs on a thread of our own: it calls the stream callback for a
// block, then hands the block to the device with a blocking write. The next
// block is computed only when the device has room for it, so a parameter
// change is heard after at most one block plus the device's short buffer.
// The callback never runs inside PortAudio's real-time callback.

#include <portaudio.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "platform/fsound.h"

struct FSOUND_STREAM {
    FSOUND_STREAMCALLBACK callback = nullptr;
    int lengthBytes = 0;
    void* userData = nullptr;
    std::vector<unsigned char> block;

    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;  // guarded by mutex
    bool playing = false;   // main thread only
};

namespace {

constexpr float kVersion = 3.74f;
constexpr int kMinMixRate = 4000;
constexpr int kMaxMixRate = 192000;
constexpr int kMaxChannels = 1024;
constexpr int kAutoOutput = -1;
const char* const kNoSoundDriverName = "No sound output";

// The device buffer behind each blocking write. Short, so that a key press
// reaches the ear within one 371.5 ms block plus this; long enough to ride
// out scheduling hiccups, since the next block is computed in well under it.
constexpr double kDeviceLatencySeconds = 0.1;

struct Library {
    int lastError = FSOUND_ERR_NONE;
    int requestedOutput = kAutoOutput;
    int outputInUse = kAutoOutput;  // resolved lazily
    std::vector<PaDeviceIndex> drivers;  // for a host API; NoSound has one, no device
    int driver = 0;
    bool portAudioReady = false;
    bool cleanupRegistered = false;
    bool initialised = false;
    int mixRate = 0;
    PaStream* device = nullptr;
    std::vector<FSOUND_STREAM*> streams;
};

Library lib;

signed char fail(int error) {
    lib.lastError = error;
    return 0;
}

void closeAtExit() { FSOUND_Close(); }

void registerCleanup() {
    if (lib.cleanupRegistered) return;
    lib.cleanupRegistered = true;
    std::atexit(closeAtExit);
}

bool ensurePortAudio() {
    if (lib.portAudioReady) return true;
    registerCleanup();
    lib.portAudioReady = Pa_Initialize() == paNoError;
    return lib.portAudioReady;
}

PaHostApiTypeId hostTypeFor(int outputType) {
    switch (outputType) {
        case FSOUND_OUTPUT_WINMM: return paMME;
        case FSOUND_OUTPUT_DSOUND: return paDirectSound;
        case FSOUND_OUTPUT_OSS: return paOSS;
        case FSOUND_OUTPUT_ALSA: return paALSA;
        case FSOUND_OUTPUT_ASIO: return paASIO;
        default: return paInDevelopment;  // matches no host here
    }
}

int outputTypeFor(PaHostApiTypeId hostType) {
    switch (hostType) {
        case paMME: return FSOUND_OUTPUT_WINMM;
        case paDirectSound: return FSOUND_OUTPUT_DSOUND;
        case paOSS: return FSOUND_OUTPUT_OSS;
        case paALSA: return FSOUND_OUTPUT_ALSA;
        case paASIO: return FSOUND_OUTPUT_ASIO;
        default: return kAutoOutput;
    }
}

int outputTypeOfHostApi(PaHostApiIndex api) {
    const PaHostApiInfo* info = Pa_GetHostApiInfo(api);
    return info ? outputTypeFor(info->type) : kAutoOutput;
}

// The platform's default host audio system, or the first one we can name.
PaHostApiIndex fallbackHostApi() {
    const PaHostApiIndex preferred = Pa_GetDefaultHostApi();
    if (preferred >= 0 && outputTypeOfHostApi(preferred) != kAutoOutput) return preferred;
    for (PaHostApiIndex api = 0; api < Pa_GetHostApiCount(); api++) {
        if (outputTypeOfHostApi(api) != kAutoOutput) return api;
    }
    return -1;
}

bool canPlay(PaDeviceIndex device) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    return info && info->maxOutputChannels > 0;
}

// Driver 0 is the host's default output device, the others follow in the
// host's order.
void listDrivers(PaHostApiIndex api) {
    lib.drivers.clear();
    const PaHostApiInfo* info = Pa_GetHostApiInfo(api);
    if (!info) return;
    if (info->defaultOutputDevice >= 0 && canPlay(info->defaultOutputDevice)) {
        lib.drivers.push_back(info->defaultOutputDevice);
    }
    for (int i = 0; i < info->deviceCount; i++) {
        const PaDeviceIndex device = Pa_HostApiDeviceIndexToDeviceIndex(api, i);
        if (device != info->defaultOutputDevice && canPlay(device)) lib.drivers.push_back(device);
    }
}

// Settles which output type is in use and lists its drivers.
void resolveOutput() {
    if (lib.outputInUse != kAutoOutput) return;
    lib.driver = 0;
    lib.drivers.clear();
    if (lib.requestedOutput == FSOUND_OUTPUT_NOSOUND) {
        lib.outputInUse = FSOUND_OUTPUT_NOSOUND;
        return;
    }
    if (!ensurePortAudio()) {
        lib.outputInUse = lib.requestedOutput;  // no host at all: no drivers
        return;
    }
    PaHostApiIndex api = Pa_HostApiTypeIdToHostApiIndex(hostTypeFor(lib.requestedOutput));
    if (api < 0) api = fallbackHostApi();
    if (api < 0) {
        lib.outputInUse = lib.requestedOutput;
        return;
    }
    lib.outputInUse = outputTypeOfHostApi(api);
    listDrivers(api);
}

int driverCount() {
    resolveOutput();
    if (lib.outputInUse == FSOUND_OUTPUT_NOSOUND) return 1;
    return static_cast<int>(lib.drivers.size());
}

int openErrorFor(PaError error) {
    switch (error) {
        case paInvalidSampleRate:
        case paSampleFormatNotSupported:
        case paInvalidChannelCount: return FSOUND_ERR_OUTPUT_FORMAT;
        case paDeviceUnavailable: return FSOUND_ERR_DEVICE_BUSY;
        case paUnanticipatedHostError:
            return Pa_GetLastHostErrorInfo()->errorCode == -EBUSY ? FSOUND_ERR_DEVICE_BUSY
                                                                 : FSOUND_ERR_INIT;
        default: return FSOUND_ERR_INIT;
    }
}

// Opens the chosen device for 16-bit signed stereo at the mix rate. The
// stream stays open, not started, until FSOUND_Close.
int openDevice(int mixRate) {
    const PaDeviceIndex device = lib.drivers[lib.driver];
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    PaStreamParameters output{};
    output.device = device;
    output.channelCount = 2;
    output.sampleFormat = paInt16;
    output.suggestedLatency = std::max(info->defaultLowOutputLatency, kDeviceLatencySeconds);

    const PaError supported = Pa_IsFormatSupported(nullptr, &output, mixRate);
    if (supported != paFormatIsSupported) return openErrorFor(supported);
    const PaError opened = Pa_OpenStream(&lib.device, nullptr, &output, mixRate,
                                         paFramesPerBufferUnspecified, paClipOff | paDitherOff,
                                         nullptr, nullptr);
    if (opened != paNoError) {
        lib.device = nullptr;
        return openErrorFor(opened);
    }
    return FSOUND_ERR_NONE;
}

bool isOurStream(FSOUND_STREAM* stream) {
    return stream && std::find(lib.streams.begin(), lib.streams.end(), stream) != lib.streams.end();
}

bool anotherStreamPlays(FSOUND_STREAM* stream) {
    return std::any_of(lib.streams.begin(), lib.streams.end(),
                       [stream](FSOUND_STREAM* s) { return s != stream && s->playing; });
}

// The streaming thread. Stop signals belong to the main thread, which turns
// them into an orderly shutdown; this thread never takes them.
void streamLoop(FSOUND_STREAM* stream, PaStream* device, int mixRate) {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);

    using Clock = std::chrono::steady_clock;
    const unsigned long frames = static_cast<unsigned long>(stream->lengthBytes / 4);
    const auto blockTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(frames) / mixRate));
    Clock::time_point deadline = Clock::now();

    std::unique_lock lock(stream->mutex);
    while (!stream->stopping) {
        lock.unlock();
        stream->callback(stream, stream->block.data(), stream->lengthBytes, stream->userData);
        // Without a device (NoSound, or a device that failed) the clock sets
        // the pace, on absolute deadlines so that it does not drift. An
        // underrun is only a gap in the sound: the stream goes on.
        bool paceByClock = true;
        if (device) {
            const PaError written = Pa_WriteStream(device, stream->block.data(), frames);
            if (written == paNoError || written == paOutputUnderflowed) {
                paceByClock = false;
                deadline = Clock::now();
            }
        }
        lock.lock();
        if (paceByClock) {
            deadline += blockTime;
            stream->wake.wait_until(lock, deadline, [stream] { return stream->stopping; });
        }
    }
}

void stopStream(FSOUND_STREAM* stream) {
    if (!stream->playing) return;
    {
        std::lock_guard lock(stream->mutex);
        stream->stopping = true;
    }
    stream->wake.notify_all();
    stream->thread.join();
    stream->playing = false;
    if (lib.device) Pa_AbortStream(lib.device);
}

}  // namespace

float FSOUND_GetVersion() { return kVersion; }

signed char FSOUND_SetOutput(int outputType) {
    if (lib.initialised) return fail(FSOUND_ERR_AFTER_INIT);
    if (outputType < FSOUND_OUTPUT_NOSOUND || outputType > FSOUND_OUTPUT_ASIO) {
        return fail(FSOUND_ERR_INVALID_PARAM);
    }
    registerCleanup();
    lib.requestedOutput = outputType;
    lib.outputInUse = kAutoOutput;
    return 1;
}

int FSOUND_GetOutput() {
    resolveOutput();
    return lib.outputInUse;
}

int FSOUND_GetNumDrivers() { return driverCount(); }

const char* FSOUND_GetDriverName(int driver) {
    if (driver < 0 || driver >= driverCount()) {
        fail(FSOUND_ERR_INVALID_PARAM);
        return nullptr;
    }
    if (lib.outputInUse == FSOUND_OUTPUT_NOSOUND) return kNoSoundDriverName;
    return Pa_GetDeviceInfo(lib.drivers[driver])->name;
}

signed char FSOUND_SetDriver(int driver) {
    if (lib.initialised) return fail(FSOUND_ERR_AFTER_INIT);
    if (driver < 0 || driver >= driverCount()) return fail(FSOUND_ERR_INVALID_PARAM);
    lib.driver = driver;
    return 1;
}

signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags) {
    if (lib.initialised) return fail(FSOUND_ERR_AFTER_INIT);
    // We honour no initialisation flags, so any flag is a bad argument.
    if (mixRate < kMinMixRate || mixRate > kMaxMixRate || maxChannels < 0 ||
        maxChannels > kMaxChannels || flags != 0) {
        return fail(FSOUND_ERR_INVALID_PARAM);
    }
    resolveOutput();
    if (lib.outputInUse != FSOUND_OUTPUT_NOSOUND) {
        if (lib.drivers.empty()) return fail(FSOUND_ERR_INIT);
        const int error = openDevice(mixRate);
        if (error != FSOUND_ERR_NONE) return fail(error);
    }
    lib.mixRate = mixRate;
    lib.initialised = true;
    lib.lastError = FSOUND_ERR_NONE;
    return 1;
}

void FSOUND_Close() {
    while (!lib.streams.empty()) FSOUND_Stream_Close(lib.streams.back());
    if (lib.device) {
        Pa_CloseStream(lib.device);
        lib.device = nullptr;
    }
    if (lib.portAudioReady) {
        Pa_Terminate();
        lib.portAudioReady = false;
    }
    lib.initialised = false;
    lib.outputInUse = kAutoOutput;
    lib.drivers.clear();
}

int FSOUND_GetError() { return lib.lastError; }

FSOUND_STREAM* FSOUND_Stream_Create(FSOUND_STREAMCALLBACK callback, int lengthBytes,
                                    unsigned int mode, int sampleRate, void* userData) {
    if (!lib.initialised) {
        fail(FSOUND_ERR_UNINITIALIZED);
        return nullptr;
    }
    // One format, at the mix rate: the layer neither converts nor resamples.
    if (!callback || lengthBytes < 4 || mode != FSOUND_STREAM_MODE_16BIT_SIGNED_STEREO ||
        sampleRate != lib.mixRate) {
        fail(FSOUND_ERR_INVALID_PARAM);
        return nullptr;
    }
    auto* stream = new (std::nothrow) FSOUND_STREAM;
    if (!stream) {
        fail(FSOUND_ERR_MEMORY);
        return nullptr;
    }
    stream->callback = callback;
    stream->lengthBytes = lengthBytes;
    stream->userData = userData;
    stream->block.assign(static_cast<size_t>(lengthBytes), 0);
    lib.streams.push_back(stream);
    return stream;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
    if (!lib.initialised) {
        fail(FSOUND_ERR_UNINITIALIZED);
        return -1;
    }
    constexpr int kFreeChannel = -1;
    if (!isOurStream(stream) || channel < kFreeChannel || channel >= kMaxChannels) {
        fail(FSOUND_ERR_INVALID_PARAM);
        return -1;
    }
    const int playingOn = channel == kFreeChannel ? 0 : channel;
    if (stream->playing) return playingOn;
    // The device plays one stream at a time.
    if (anotherStreamPlays(stream)) {
        fail(FSOUND_ERR_NO_CHANNEL);
        return -1;
    }
    if (lib.device && Pa_StartStream(lib.device) != paNoError) {
        fail(FSOUND_ERR_PLAY);
        return -1;
    }
    stream->stopping = false;
    stream->thread = std::thread(streamLoop, stream, lib.device, lib.mixRate);
    stream->playing = true;
    return playingOn;
}

signed char FSOUND_Stream_Stop(FSOUND_STREAM* stream) {
    if (!isOurStream(stream)) return fail(FSOUND_ERR_INVALID_PARAM);
    stopStream(stream);
    return 1;
}

signed char FSOUND_Stream_Close(FSOUND_STREAM* stream) {
    if (!isOurStream(stream)) return fail(FSOUND_ERR_INVALID_PARAM);
    stopStream(stream);
    lib.streams.erase(std::find(lib.streams.begin(), lib.streams.end(), stream));
    delete stream;
    return 1;
}
