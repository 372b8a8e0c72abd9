#pragma once

#include <cstdint>

struct FSOUND_STREAM;
struct SDL_Surface;
class Oscillator;

// The stream callback: fills one block of 16-bit stereo frames from the
// program-wide carrier and modulator and redraws both waveforms in screen.
// Always returns 1.
signed char streamFill(FSOUND_STREAM* stream, void* block, int lengthBytes, void* userData);

// The two halves of streamFill, for the benchmarks and tests that want one
// without the other. Neither presents the surface.
void synthesiseBlock(Oscillator& carrier, Oscillator& modulator, void* block, int lengthBytes);
void plotWaveforms(Oscillator& carrier, Oscillator& modulator, SDL_Surface* surface);

// One sample of the stream from the carrier's output: truncated toward zero
// first, then scaled by 10000, saturating at the 16-bit limits.
std::int16_t sampleFromCarrier(float carrierOutput);
