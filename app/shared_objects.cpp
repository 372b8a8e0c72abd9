#include "app/shared_objects.h"

SDL_Surface* screen = nullptr;
Oscillator* carrier = nullptr;
Oscillator* modulator = nullptr;
