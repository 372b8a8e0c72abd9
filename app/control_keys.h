#pragma once

class Oscillator;

// Applies one key of the control loop to the two oscillators' user
// parameters. Keys are exact 8-bit codes: 'A' is not 'a'. At most one row of
// the table matches; a key that matches none changes nothing.
void applyControlKey(signed char key, Oscillator& carrier, Oscillator& modulator);
