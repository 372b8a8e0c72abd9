#pragma once

class Oscillator;

// Applies one key of the control loop to the two oscillators' user
// parameters. Keys are exact 8-bit codes: 'A' is not 'a'. At most one row of
// the table matches; a key that matches none changes nothing.
void applyControlKey(signed char key, Oscillator& carrier, Oscillator& modulator);

// One pass of the control loop for a key read: applies it, then prints both
// oscillators' parameter lines, whether or not the key matched.
void handleControlKey(signed char key, Oscillator& carrier, Oscillator& modulator);
