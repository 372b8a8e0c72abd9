#include <cstdlib>

#include "platform/fsound.h"
#include "tests/fakes.h"

FakeAudioLibrary fakeAudio;
std::deque<KeyRead> fakeKeys;

void resetFakeAudio() { fakeAudio = FakeAudioLibrary{}; }

void scriptKeys(const std::string& keys) {
    for (const char c : keys) fakeKeys.push_back({KeyRead::key, static_cast<signed char>(c), false});
}

void scriptKey(KeyRead read) { fakeKeys.push_back(read); }

float FSOUND_GetVersion() { return fakeAudio.version; }

signed char FSOUND_SetOutput(int outputType) {
    fakeAudio.outputsSet.push_back(outputType);
    fakeAudio.outputInUse = outputType;
    return 1;
}

int FSOUND_GetOutput() { return fakeAudio.reportedOutput.value_or(fakeAudio.outputInUse); }
int FSOUND_GetNumDrivers() { return static_cast<int>(fakeAudio.drivers.size()); }
const char* FSOUND_GetDriverName(int driver) { return fakeAudio.drivers.at(driver).c_str(); }

signed char FSOUND_SetDriver(int driver) {
    fakeAudio.driversSet.push_back(driver);
    return 1;
}

signed char FSOUND_Init(int, int, unsigned int) {
    fakeAudio.initCalls++;
    return fakeAudio.initResult;
}

int FSOUND_GetError() { return fakeAudio.initError; }

bool keyPending() { return !fakeKeys.empty(); }

KeyRead readKey() {
    if (fakeKeys.empty()) return {KeyRead::endOfInput, 0, false};
    const KeyRead read = fakeKeys.front();
    fakeKeys.pop_front();
    return read;
}

int stopSignal() { return 0; }

// A stop in a menu ends the process; status 3 tells the tests it was this.
void endByStopSignal() { std::exit(3); }
