#pragma once

// The audio library's mix rate and the stream's sample rate.
constexpr int mixRate = 44100;

// Brings the audio library from loaded to initialised: version check, the
// output type menu, the driver menu, initialisation. Returns false after a
// failure whose message it has printed. ESC or the end of input in a menu
// ends the process with status 0; a stop signal ends it by that signal.
bool setupAudioOutput();

// The text for an audio library error code, without a newline.
const char* audioErrorText(int code);
