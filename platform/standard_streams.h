#pragma once

// Opens /dev/null on any of standard input, output and error that the
// process was started without, so that no file the program or its
// libraries open later takes their place: a stream of ours landing on
// descriptor 0 would be read as keys. A closed standard input reads as the
// end of input.
void openMissingStandardStreams();

// Points standard error at /dev/null for the rest of the process.
//
// The program writes nothing to standard error itself, but the libraries
// under it do: ALSA, JACK and PortAudio while they probe devices, PortAudio
// again from the streaming thread whenever a device write fails, and the
// graphics library's back ends while they look for a display. None of that
// belongs on the program's console. Sanitizer builds are told to report to
// the original standard error, so their reports still show.
void silenceLibraryDiagnostics();
