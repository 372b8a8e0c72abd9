#include "platform/console_keys.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {

// How long after an ESC byte the rest of a cursor or function key may take
// to arrive. Terminals send the whole sequence at once, so anything later is
// a separate key press; a person cannot type ESC and another key this fast.
constexpr int kEscapeSequenceTimeoutMs = 50;
// Longest sequence we collect; real keys are far shorter.
constexpr int kMaxSequenceBytes = 16;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

bool onTerminal = false;
termios savedTermios;
std::atomic<bool> keyModeActive{false};

std::atomic<int> pendingStopSignal{0};
int stopPipe[2] = {-1, -1};

bool inputEnded = false;

// Bytes of an escape sequence read ahead, handed out one per readKey().
KeyRead queued[kMaxSequenceBytes];
int queuedCount = 0;
int queuedNext = 0;
// A byte read while looking for a sequence that turned out not to belong.
int pushedBack = -1;

// The only place that switches the terminal into key mode.
void enableKeyMode() {
    termios raw = savedTermios;
    raw.c_lflag &= ~(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSADRAIN, &raw) == 0) keyModeActive.store(true);
}

// The only place that gives the terminal back. Safe in a signal handler.
void restoreTerminal() {
    if (keyModeActive.exchange(false)) tcsetattr(STDIN_FILENO, TCSADRAIN, &savedTermios);
}

void onStopSignal(int sig) {
    const int savedErrno = errno;
    int none = 0;
    pendingStopSignal.compare_exchange_strong(none, sig);
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(stopPipe[1], &byte, 1);
    errno = savedErrno;
}

void installSuspendHandler();

// Ctrl-Z: give the terminal back while stopped, take it again on resume.
void onSuspend(int) {
    const int savedErrno = errno;
    restoreTerminal();
    signal(SIGTSTP, SIG_DFL);
    sigset_t suspend;
    sigemptyset(&suspend);
    sigaddset(&suspend, SIGTSTP);
    pthread_sigmask(SIG_UNBLOCK, &suspend, nullptr);
    raise(SIGTSTP);  // stops here until SIGCONT
    installSuspendHandler();
    enableKeyMode();
    errno = savedErrno;
}

void installHandler(int sig, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(sig, &action, nullptr);
}

void installSuspendHandler() { installHandler(SIGTSTP, onSuspend); }

bool stopRequested() { return pendingStopSignal.load() != 0; }

// Waits for standard input to become readable or a stop to arrive.
// Returns 1 when input is readable (or at its end), 0 on timeout, -1 on stop.
int pollInput(int timeoutMs) {
    pollfd fds[2] = {{stopPipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    const nfds_t count = inputEnded ? 1 : 2;
    for (;;) {
        if (stopRequested()) return -1;
        const int ready = poll(fds, count, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (stopRequested()) return -1;
        if (ready <= 0) return 0;
        if (count == 2 && fds[1].revents != 0) return 1;
    }
}

// One byte of input: the byte, or -1 at the end of input (closed, hung up or
// unreadable standard input all end it).
int readByte() {
    for (;;) {
        unsigned char byte;
        const ssize_t got = read(STDIN_FILENO, &byte, 1);
        if (got == 1) return byte;
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return -1;
    }
}

// A further byte that arrives within the sequence timeout, or -1.
int nextSequenceByte() {
    pollfd fd = {STDIN_FILENO, POLLIN, 0};
    int ready;
    while ((ready = poll(&fd, 1, kEscapeSequenceTimeoutMs)) < 0 && errno == EINTR) {
    }
    if (ready <= 0 || (fd.revents & POLLIN) == 0) return -1;
    return readByte();
}

void queueSequenceByte(int byte) {
    queued[queuedCount++] = {KeyRead::key, static_cast<signed char>(byte), true};
}

// After an ESC byte on a terminal: collects the rest of a cursor or function
// key (ESC [ ... final, ESC O x, or ESC x for Alt+x). Returns false for a
// lone ESC.
bool collectEscapeSequence() {
    queuedCount = queuedNext = 0;
    const int second = nextSequenceByte();
    if (second < 0) return false;
    if (second == kEscapeKey) {  // two ESC presses, not one sequence
        pushedBack = second;
        return false;
    }
    queueSequenceByte(second);
    if (second == '[') {
        // Parameters and intermediates until a final byte in 0x40..0x7E.
        while (queuedCount < kMaxSequenceBytes) {
            const int byte = nextSequenceByte();
            if (byte < 0) break;
            queueSequenceByte(byte);
            if (byte >= 0x40 && byte <= 0x7E) break;
        }
    } else if (second == 'O') {
        const int byte = nextSequenceByte();
        if (byte >= 0) queueSequenceByte(byte);
    }
    return true;
}

// Bytes already read from the input and not yet handed out.
bool keysHeldBack() { return queuedNext < queuedCount || pushedBack >= 0; }

}  // namespace

void startConsoleKeys() {
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) std::abort();
    for (const int sig : kStopSignals) installHandler(sig, onStopSignal);

    onTerminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &savedTermios) == 0;
    if (!onTerminal) return;
    std::atexit(restoreTerminal);
    installSuspendHandler();
    enableKeyMode();
}

bool keyPending() {
    if (keysHeldBack()) return true;
    if (inputEnded) return false;
    pollfd fd = {STDIN_FILENO, POLLIN, 0};
    return poll(&fd, 1, 0) > 0;
}

KeyRead readKey() {
    if (stopRequested()) return {KeyRead::stopRequested, 0, false};
    if (queuedNext < queuedCount) return queued[queuedNext++];

    int byte = pushedBack;
    pushedBack = -1;
    if (byte < 0) {
        if (inputEnded) {
            pollInput(-1);  // nothing more to read: only a stop ends this
            return {KeyRead::stopRequested, 0, false};
        }
        if (pollInput(-1) < 0) return {KeyRead::stopRequested, 0, false};
        byte = readByte();
    }
    if (byte < 0) {
        inputEnded = true;
        return {KeyRead::endOfInput, 0, false};
    }
    // Escape sequences exist only where a terminal sends keys; in a pipe
    // every byte stands for itself.
    const bool sequence = onTerminal && byte == kEscapeKey && collectEscapeSequence();
    return {KeyRead::key, static_cast<signed char>(byte), sequence};
}

WaitResult waitForKey(int timeoutMs) {
    if (stopRequested()) return WaitResult::stopRequested;
    if (keysHeldBack()) return WaitResult::keyPending;
    const int ready = pollInput(timeoutMs);
    if (ready < 0) return WaitResult::stopRequested;
    return ready > 0 ? WaitResult::keyPending : WaitResult::timedOut;
}

int stopSignal() { return pendingStopSignal.load(); }

void endByStopSignal() {
    const int sig = stopSignal();
    restoreTerminal();
    if (sig == 0) std::exit(0);
    signal(sig, SIG_DFL);
    sigset_t deadly;
    sigemptyset(&deadly);
    sigaddset(&deadly, sig);
    pthread_sigmask(SIG_UNBLOCK, &deadly, nullptr);
    raise(sig);
    _exit(128 + sig);  // only if the signal did not end us
}
