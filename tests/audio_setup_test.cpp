#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "audio/audio_setup.h"
#include "tests/fakes.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const std::string kSeparator(57, '-');

std::string outputMenu() {
    return kSeparator + "\nOutput Type\n" + kSeparator +
           "\n1 - Direct Sound\n2 - Windows Multimedia Waveout\n3 - ASIO\n4 - NoSound\n" +
           kSeparator + "\nPress a corresponding number or ESC to quit\n";
}

std::string driverMenu(const std::string& typeName, const std::string& lines) {
    return kSeparator + "\n" + typeName + " Driver list\n" + kSeparator + "\n" + lines + kSeparator +
           "\nPress a corresponding number or ESC to quit\n";
}

class AudioSetup : public testing::Test {
protected:
    void SetUp() override {
        resetFakeAudio();
        fakeKeys.clear();
    }

    // Runs the start-up and returns what it printed.
    std::string run(bool expectedResult) {
        CaptureStdout();
        const bool result = setupAudioOutput();
        std::string printed = GetCapturedStdout();
        EXPECT_EQ(result, expectedResult);
        return printed;
    }
};

// The process ends inside the start-up; stdout is captured across the fork,
// so the parent can read what the child printed before it ended.
#define EXPECT_START_UP_ENDS(status, printedOut)                                   \
    do {                                                                           \
        CaptureStdout();                                                           \
        EXPECT_EXIT(setupAudioOutput(), testing::ExitedWithCode(status), "");      \
        printedOut = GetCapturedStdout();                                          \
    } while (0)

TEST_F(AudioSetup, RefusesALibraryOlderThan374WithTheVersionLineOnly) {
    fakeAudio.version = 3.73f;
    EXPECT_EQ(run(false),
              "Error : You are using the wrong DLL version!  You should be using FMOD 3.74\n");
    EXPECT_TRUE(fakeAudio.outputsSet.empty());
}

TEST_F(AudioSetup, IgnoresOtherKeysThenChoosesTypeAndDriver) {
    fakeAudio.version = 3.74f;
    fakeAudio.drivers = {"Primary", "Speakers"};
    scriptKeys("50a\n\x1b" "1");
    fakeKeys[4].inEscapeSequence = true;  // ESC that starts a cursor key
    scriptKeys("0" "9" "2");
    EXPECT_EQ(run(true), outputMenu() + driverMenu("Direct Sound", "1 - Primary\n2 - Speakers\n"));
    EXPECT_EQ(fakeAudio.outputsSet, std::vector<int>({2}));
    EXPECT_EQ(fakeAudio.driversSet, std::vector<int>({1}));
    EXPECT_EQ(fakeAudio.initCalls, 1);
}

TEST_F(AudioSetup, EachMenuKeyPassesItsOutputTypeAndNamesItsDriverList) {
    struct Case { char key; int type; const char* header; };
    for (const Case c : {Case{'1', 2, "Direct Sound"}, Case{'2', 1, "Windows Multimedia Waveout"},
                         Case{'3', 7, "ASIO"}, Case{'4', 0, "NoSound"}}) {
        SetUp();
        scriptKeys(std::string{c.key} + "1");
        const std::string printed = run(true);
        EXPECT_EQ(fakeAudio.outputsSet, std::vector<int>({c.type})) << c.key;
        EXPECT_NE(printed.find(kSeparator + "\n" + c.header + " Driver list\n"), std::string::npos)
            << c.key;
    }
}

TEST_F(AudioSetup, DriverListHeaderNamesTheTypeTheLibraryReports) {
    // The library may use another type than the one asked for.
    struct Case { int reported; const char* header; };
    for (const Case c : {Case{3, ""}, Case{4, "Open Sound System"}, Case{5, "Enlightment Sound Daemon"},
                         Case{6, "Alsa"}, Case{8, ""}, Case{-1, ""}}) {
        SetUp();
        fakeAudio.reportedOutput = c.reported;
        scriptKeys("11");
        const std::string printed = run(true);
        EXPECT_EQ(printed.substr(outputMenu().size()),
                  driverMenu(c.header, "1 - Primary Sound Driver\n"))
            << c.reported;
    }
}

TEST_F(AudioSetup, EscapeOrEndOfInputInEitherMenuEndsWithStatusZero) {
    std::string printed;
    scriptKeys("\x1b");
    EXPECT_START_UP_ENDS(0, printed);
    EXPECT_EQ(printed, outputMenu());

    fakeKeys.clear();
    scriptKeys("4\x1b");
    EXPECT_START_UP_ENDS(0, printed);
    EXPECT_EQ(printed, outputMenu() + driverMenu("NoSound", "1 - Primary Sound Driver\n"));

    fakeKeys.clear();
    scriptKeys("4");  // then the input ends
    EXPECT_START_UP_ENDS(0, printed);
    EXPECT_EQ(printed, outputMenu() + driverMenu("NoSound", "1 - Primary Sound Driver\n"));
}

TEST_F(AudioSetup, AStopSignalInAMenuEndsByThatSignal) {
    std::string printed;
    scriptKeys("1");
    scriptKey({KeyRead::stopRequested, 0, false});
    EXPECT_START_UP_ENDS(3, printed);
}

TEST_F(AudioSetup, EmptyDriverListIgnoresEveryKeyButEscape) {
    fakeAudio.drivers = {};
    scriptKeys("3");
    for (int code = -128; code < 128; code++) {
        if (code != 27) scriptKey({KeyRead::key, static_cast<signed char>(code), false});
    }
    scriptKeys("\x1b");
    std::string printed;
    EXPECT_START_UP_ENDS(0, printed);
    EXPECT_EQ(printed, outputMenu() + driverMenu("ASIO", ""));
}

TEST_F(AudioSetup, KeysAfterNineChooseTheTenthDriverAndBeyond) {
    fakeAudio.drivers = {"d1", "d2", "d3", "d4", "d5", "d6", "d7", "d8", "d9", "d10", "d11"};
    scriptKeys("1:");
    run(true);
    EXPECT_EQ(fakeAudio.driversSet, std::vector<int>({9}));

    SetUp();
    fakeAudio.drivers = {"d1", "d2", "d3", "d4", "d5", "d6", "d7", "d8", "d9", "d10", "d11"};
    scriptKeys("1;");
    const std::string printed = run(true);
    EXPECT_EQ(fakeAudio.driversSet, std::vector<int>({10}));
    EXPECT_NE(printed.find("\n10 - d10\n11 - d11\n"), std::string::npos);
}

TEST_F(AudioSetup, KeysFrom128UpAreNegativeAndChooseNothing) {
    fakeAudio.drivers = {"d1", "d2"};
    scriptKeys("1");
    // 0xB1 is '1' + 128; as a signed code it is negative, never an index.
    for (const int byte : {0x80, 0xB1, 0xB2, 0xFF}) {
        scriptKey({KeyRead::key, static_cast<signed char>(byte), false});
    }
    scriptKeys("2");
    run(true);
    EXPECT_EQ(fakeAudio.driversSet, std::vector<int>({1}));
}

TEST_F(AudioSetup, BytesOfACursorKeyNeverChooseInAMenu) {
    // Home on some terminals: ESC [ 1 ~. The '1' must not pick anything.
    scriptKeys("4");
    for (const char c : std::string("\x1b[1~")) scriptKey({KeyRead::key, c, true});
    std::string printed;
    EXPECT_START_UP_ENDS(0, printed);  // input ends with no driver chosen
}

TEST_F(AudioSetup, InitialisationFailurePrintsErrorAndTheLibraryText) {
    fakeAudio.initResult = 0;
    fakeAudio.initError = 6;
    scriptKeys("11");
    EXPECT_EQ(run(false),
              outputMenu() + driverMenu("Direct Sound", "1 - Primary Sound Driver\n") +
                  "Error!\nSoundcard does not support the features needed for this soundsystem "
                  "(16bit stereo output)\n");
}

TEST(AudioErrorText, NamesEveryCodeAndCallsTheRestUnknown) {
    struct Case { int code; const char* text; };
    const Case cases[] = {
        {0, "No errors"},
        {1, "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first."},
        {2, "This command failed because FSOUND_Init was not called"},
        {3, "Error initializing output device."},
        {4, "The output device is already in use and cannot be reused."},
        {5, "Playing the sound failed."},
        {6, "Soundcard does not support the features needed for this soundsystem (16bit stereo output)"},
        {7, "Error setting cooperative level for hardware."},
        {8, "Error creating hardware sound buffer."},
        {9, "File not found"},
        {10, "Unknown file format"},
        {11, "Error loading file"},
        {12, "Not enough memory "},
        {13, "The version number of this file format is not supported"},
        {14, "An invalid parameter was passed to this function"},
        {15, "Tried to use an EAX command on a non EAX enabled channel or output."},
        {16, "Failed to allocate a new channel"},
        {17, "Recording not supported on this device"},
        {18, "Required Mediaplayer codec is not installed"},
        {19, "Unknown error"},
        {-1, "Unknown error"},
        {1000000, "Unknown error"},
    };
    for (const Case& c : cases) EXPECT_STREQ(audioErrorText(c.code), c.text) << c.code;
}

}  // namespace
