#pragma once

// Points standard error at /dev/null for the rest of the process.
//
// The program writes nothing to standard error itself, but the libraries
// under it do: ALSA, JACK and PortAudio while they probe devices, PortAudio
// again from the streaming thread whenever a device write fails, and the
// graphics library's back ends while they look for a display. None of that
// belongs on the program's console. Sanitizer builds are told to report to
// the original standard error, so their reports still show.
void silenceLibraryDiagnostics();
