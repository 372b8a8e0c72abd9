#pragma once

// The console key layer: one key at a time, without echo and without Enter.
//
// On a terminal, startConsoleKeys() switches input to non-canonical, no-echo
// mode and restores the terminal on every way out: normal exit, the stop
// signals (which become a request the program answers, see below) and Ctrl-Z
// (restored while suspended, re-applied on resume). When standard input is a
// pipe or a file, its bytes are the keys, in order.

struct KeyRead {
    enum Kind { key, endOfInput, stopRequested };
    Kind kind;
    signed char code;       // the byte, as a signed 8-bit code
    bool inEscapeSequence;  // part of a cursor or function key, not a lone ESC
};

constexpr signed char kEscapeKey = 27;

inline bool isLoneEscape(const KeyRead& read) {
    return read.kind == KeyRead::key && read.code == kEscapeKey && !read.inEscapeSequence;
}

void startConsoleKeys();

// True when readKey() would return without waiting.
bool keyPending();

// Reads one key, waiting as long as it takes. Returns stopRequested once
// SIGINT, SIGTERM, SIGHUP or SIGQUIT arrived, endOfInput at the end of input.
KeyRead readKey();

enum class WaitResult { keyPending, timedOut, stopRequested };

// Waits at most timeoutMs for a key or a stop request. After the end of input
// only a stop request or the timeout ends the wait.
WaitResult waitForKey(int timeoutMs);

// The stop signal that arrived, or 0.
int stopSignal();

// Restores the terminal and ends the process by the stop signal that
// arrived, as the shell expects. Whatever else must be shut down is the
// caller's to do first.
[[noreturn]] void endByStopSignal();
