#pragma once

#include <SDL.h>

class Oscillator;

// The program-wide objects: set once during start-up, before the stream
// exists, and kept until the process ends. After start-up only the audio
// thread draws into screen.
extern SDL_Surface* screen;
extern Oscillator* carrier;
extern Oscillator* modulator;

// The stream block handed to the audio library: 16384 frames, about 371.5 ms.
constexpr int streamBlockBytes = 65536;
