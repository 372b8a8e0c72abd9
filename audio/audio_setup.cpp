#include "audio/audio_setup.h"

#include <cstdio>
#include <cstdlib>

#include "platform/console_keys.h"
#include "platform/fsound.h"

namespace {

constexpr float kRequiredVersion = 3.74f;
constexpr int kChannels = 32;

const char* const kSeparator = "---------------------------------------------------------\n";
const char* const kPrompt = "Press a corresponding number or ESC to quit\n";

struct OutputChoice {
    char key;
    const char* menuLine;
    int outputType;
};

// The menu numbers are not the type numbers.
constexpr OutputChoice kOutputMenu[] = {
    {'1', "1 - Direct Sound\n", FSOUND_OUTPUT_DSOUND},
    {'2', "2 - Windows Multimedia Waveout\n", FSOUND_OUTPUT_WINMM},
    {'3', "3 - ASIO\n", FSOUND_OUTPUT_ASIO},
    {'4', "4 - NoSound\n", FSOUND_OUTPUT_NOSOUND},
};

const char* outputTypeName(int outputType) {
    switch (outputType) {
        case 0: return "NoSound";
        case 1: return "Windows Multimedia Waveout";
        case 2: return "Direct Sound";
        case 4: return "Open Sound System";
        case 5: return "Enlightment Sound Daemon";
        case 6: return "Alsa";
        case 7: return "ASIO";
        default: return "";
    }
}

// Reads the next key of a menu. ESC and the end of input leave the program
// with status 0; a stop signal ends it by that signal. Cursor and function
// keys arrive as several bytes: none of them is a menu choice.
signed char readMenuKey() {
    for (;;) {
        const KeyRead read = readKey();
        if (read.kind == KeyRead::stopRequested) endByStopSignal();
        if (read.kind == KeyRead::endOfInput || isLoneEscape(read)) std::exit(0);
        if (!read.inEscapeSequence) return read.code;
    }
}

void chooseOutputType() {
    std::printf("%s", kSeparator);
    std::printf("Output Type\n");
    std::printf("%s", kSeparator);
    for (const OutputChoice& choice : kOutputMenu) std::printf("%s", choice.menuLine);
    std::printf("%s", kSeparator);
    std::printf("%s", kPrompt);

    for (;;) {
        const signed char key = readMenuKey();
        for (const OutputChoice& choice : kOutputMenu) {
            if (key == choice.key) {
                FSOUND_SetOutput(choice.outputType);
                return;
            }
        }
    }
}

void printDriverList() {
    std::printf("%s", kSeparator);
    std::printf("%s", outputTypeName(FSOUND_GetOutput()));
    std::printf(" Driver list\n");
    std::printf("%s", kSeparator);
    for (int i = 0; i < FSOUND_GetNumDrivers(); i++) {
        std::printf("%d - %s\n", i + 1, FSOUND_GetDriverName(i));
    }
    std::printf("%s", kSeparator);
    std::printf("%s", kPrompt);
}

// Drivers are numbered from '1' on the screen; the keys after '9' in the
// character set (':' , ';' ...) reach the tenth driver and beyond. Codes
// from 128 up are negative and never choose anything.
void chooseDriver() {
    for (;;) {
        const int index = readMenuKey() - '1';
        if (index >= 0 && index < FSOUND_GetNumDrivers()) {
            FSOUND_SetDriver(index);
            return;
        }
    }
}

}  // namespace

bool setupAudioOutput() {
    if (FSOUND_GetVersion() < kRequiredVersion) {
        std::printf("Error : You are using the wrong DLL version!  You should be using FMOD %.02f\n",
                    static_cast<double>(kRequiredVersion));
        return false;
    }

    chooseOutputType();
    printDriverList();
    chooseDriver();

    if (FSOUND_Init(mixRate, kChannels, 0)) return true;

    std::printf("Error!\n");
    std::printf("%s\n", audioErrorText(FSOUND_GetError()));
    return false;
}

const char* audioErrorText(int code) {
    switch (code) {
        case 0: return "No errors";
        case 1: return "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.";
        case 2: return "This command failed because FSOUND_Init was not called";
        case 3: return "Error initializing output device.";
        case 4: return "The output device is already in use and cannot be reused.";
        case 5: return "Playing the sound failed.";
        case 6: return "Soundcard does not support the features needed for this soundsystem (16bit stereo output)";
        case 7: return "Error setting cooperative level for hardware.";
        case 8: return "Error creating hardware sound buffer.";
        case 9: return "File not found";
        case 10: return "Unknown file format";
        case 11: return "Error loading file";
        case 12: return "Not enough memory ";
        case 13: return "The version number of this file format is not supported";
        case 14: return "An invalid parameter was passed to this function";
        case 15: return "Tried to use an EAX command on a non EAX enabled channel or output.";
        case 16: return "Failed to allocate a new channel";
        case 17: return "Recording not supported on this device";
        case 18: return "Required Mediaplayer codec is not installed";
        default: return "Unknown error";
    }
}
