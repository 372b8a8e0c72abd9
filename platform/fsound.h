#pragma once

// Our audio library layer. It keeps the FSOUND_ names and calling order the
// program was written against, and plays through PortAudio underneath.
//
// Order of use: FSOUND_SetOutput, FSOUND_GetOutput / FSOUND_GetNumDrivers /
// FSOUND_GetDriverName, FSOUND_SetDriver, FSOUND_Init, FSOUND_Stream_Create,
// FSOUND_Stream_Play; on the way out FSOUND_Stream_Stop,
// FSOUND_Stream_Close, FSOUND_Close. A failed call leaves its reason in
// FSOUND_GetError.

// Output types. The numbers are the ones the menus and the driver list
// header know; 3 and 5 exist in the numbering but not on any platform here.
enum FSOUND_OUTPUTTYPES {
    FSOUND_OUTPUT_NOSOUND = 0,
    FSOUND_OUTPUT_WINMM = 1,
    FSOUND_OUTPUT_DSOUND = 2,
    FSOUND_OUTPUT_OSS = 4,
    FSOUND_OUTPUT_ALSA = 6,
    FSOUND_OUTPUT_ASIO = 7,
};

// Error codes, as FSOUND_GetError reports them.
enum FSOUND_ERRORS {
    FSOUND_ERR_NONE = 0,
    FSOUND_ERR_AFTER_INIT = 1,        // a set-up call made after FSOUND_Init
    FSOUND_ERR_UNINITIALIZED = 2,     // a call that needs FSOUND_Init first
    FSOUND_ERR_INIT = 3,              // the output device could not be opened
    FSOUND_ERR_DEVICE_BUSY = 4,       // the output device is in use elsewhere
    FSOUND_ERR_PLAY = 5,
    FSOUND_ERR_OUTPUT_FORMAT = 6,     // no 16-bit stereo at the mix rate
    FSOUND_ERR_MEMORY = 12,
    FSOUND_ERR_INVALID_PARAM = 14,
    FSOUND_ERR_NO_CHANNEL = 16,       // the device already plays another stream
};

// The one stream format the layer plays: 16-bit signed little-endian stereo
// frames, software mixed. Any other mode value is refused.
constexpr unsigned int FSOUND_STREAM_MODE_16BIT_SIGNED_STEREO = 0x01000150u;

struct FSOUND_STREAM;

// Called from the layer's own streaming thread, once per block, with the
// block to fill and its length in bytes. Returns a truth value.
using FSOUND_STREAMCALLBACK = signed char (*)(FSOUND_STREAM* stream, void* block,
                                              int lengthBytes, void* userData);

float FSOUND_GetVersion();
signed char FSOUND_SetOutput(int outputType);
int FSOUND_GetOutput();
int FSOUND_GetNumDrivers();
const char* FSOUND_GetDriverName(int driver);
signed char FSOUND_SetDriver(int driver);
signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags);
void FSOUND_Close();
int FSOUND_GetError();

FSOUND_STREAM* FSOUND_Stream_Create(FSOUND_STREAMCALLBACK callback, int lengthBytes,
                                    unsigned int mode, int sampleRate, void* userData);
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
signed char FSOUND_Stream_Stop(FSOUND_STREAM* stream);
signed char FSOUND_Stream_Close(FSOUND_STREAM* stream);
