#pragma once

// Scripted stand-ins of the audio library and of the console keys, linked
// into the unit tests in place of the real platform layers.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/console_keys.h"

struct FakeAudioLibrary {
    float version = 3.74f;
    // Drivers listed for each output type in use.
    std::vector<std::string> drivers = {"Primary Sound Driver"};
    // When set, the type FSOUND_GetOutput reports instead of the one set.
    std::optional<int> reportedOutput;
    signed char initResult = 1;
    int initError = 0;

    // What the program did.
    std::vector<int> outputsSet;
    std::vector<int> driversSet;
    int initCalls = 0;
    int outputInUse = -1;
};

extern FakeAudioLibrary fakeAudio;
void resetFakeAudio();

// Keys handed out in order; when they run out the input has ended.
extern std::deque<KeyRead> fakeKeys;
void scriptKeys(const std::string& keys);
void scriptKey(KeyRead read);
