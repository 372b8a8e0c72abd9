"""Runs the real amtone binary in a pseudo-terminal, as a person would.

Every wait is for an event (output, exit, a flip of the window) with a
bounded timeout; nothing sleeps to synchronise.
"""

import fcntl
import os
import select
import shutil
import struct
import subprocess
import tempfile
import termios
import time

AMTONE = os.environ["AMTONE_BIN"]
FLIP_PROBE = os.environ.get("AMTONE_FLIP_PROBE", "")
XWIN_TOOL = os.environ.get("AMTONE_XWIN_TOOL", "")

SEPARATOR = "-" * 57 + "\n"
PROMPT = "Press a corresponding number or ESC to quit\n"
OUTPUT_MENU = (SEPARATOR + "Output Type\n" + SEPARATOR + "1 - Direct Sound\n"
               "2 - Windows Multimedia Waveout\n3 - ASIO\n4 - NoSound\n" + SEPARATOR + PROMPT)
NOSOUND_MENU = SEPARATOR + "NoSound Driver list\n" + SEPARATOR + "1 - No sound output\n" + SEPARATOR + PROMPT
HINT = "aqzsedrf pour modifier les trucs \n"
TIMEOUT = 20.0


def _make_controlling_terminal():
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)


class Amtone:
    """The program on a pseudo-terminal, with its own HOME and no display."""

    def __init__(self, env=None, home=None, stdin=None, flips=False, argv=None):
        self.master, self.slave = os.openpty()
        fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", 40, 120, 0, 0))
        self.terminal_before = termios.tcgetattr(self.slave)
        self.home = home or tempfile.mkdtemp(prefix="amtone-home-")
        self._own_home = home is None
        full_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "TERM": "xterm",
                    "HOME": self.home, "SDL_VIDEODRIVER": "dummy"}
        for key in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS", "LSAN_OPTIONS"):
            if key in os.environ:
                full_env[key] = os.environ[key]
        full_env.update(env or {})
        pass_fds = ()
        self.flip_read = None
        if flips:
            self.flip_read, flip_write = os.pipe()
            full_env["LD_PRELOAD"] = FLIP_PROBE
            full_env["AMTONE_TEST_FLIP_FD"] = str(flip_write)
            # A sanitized build wants its runtime first; the probe comes
            # before it but intercepts nothing the runtime needs.
            full_env["ASAN_OPTIONS"] = ":".join(
                filter(None, [full_env.get("ASAN_OPTIONS", ""), "verify_asan_link_order=0"]))
            pass_fds = (flip_write,)
        self.out = ""
        self._carry = ""
        self._seen = 0
        self._flip_buffer = b""
        self.proc = subprocess.Popen(
            argv or [AMTONE], stdin=self.slave if stdin is None else stdin, stdout=self.slave,
            stderr=self.slave, env=full_env, start_new_session=True,
            preexec_fn=_make_controlling_terminal if stdin is None else None, pass_fds=pass_fds)
        if flips:
            os.close(flip_write)

    # --- console -------------------------------------------------------
    def send(self, data):
        os.write(self.master, data.encode("latin-1") if isinstance(data, str) else data)

    def read_some(self, timeout):
        ready, _, _ = select.select([self.master], [], [], timeout)
        if not ready:
            return False
        try:
            chunk = os.read(self.master, 65536)
        except OSError:
            return False
        # A "\r\n" may straddle two reads: hold a trailing "\r" back.
        text = self._carry + chunk.decode("latin-1")
        self._carry = "\r" if text.endswith("\r") else ""
        self.out += text[: len(text) - len(self._carry)].replace("\r\n", "\n")
        return True

    def expect(self, text, timeout=TIMEOUT):
        """Waits until text appears after what earlier expects consumed."""
        deadline = time.monotonic() + timeout
        while True:
            at = self.out.find(text, self._seen)
            if at >= 0:
                self._seen = at + len(text)
                return self.out[:self._seen]
            left = deadline - time.monotonic()
            if left <= 0 or (not self.read_some(left) and self.proc.poll() is not None):
                raise AssertionError("timed out waiting for %r; output so far:\n%s" % (text, self.out))

    def expect_lines(self, count, timeout=TIMEOUT):
        """Waits for count more complete lines and returns them."""
        lines = []
        for _ in range(count):
            start = self._seen
            self.expect("\n", timeout)
            lines.append(self.out[start:self._seen])
        return lines

    def drain(self, timeout=0.2):
        while self.read_some(timeout):
            pass
        return self.out

    def wait_exit(self, timeout=TIMEOUT):
        status = self.proc.wait(timeout)
        self.drain(0.05)
        return status

    def terminal_restored(self):
        return termios.tcgetattr(self.slave) == self.terminal_before

    def terminal_now(self):
        return termios.tcgetattr(self.slave)

    # --- window flips -------------------------------------------------
    def wait_flips(self, count, timeout=TIMEOUT):
        """Waits for count more stream callbacks; returns their times (s)."""
        times = []
        deadline = time.monotonic() + timeout
        while len(times) < count:
            while b"\n" in self._flip_buffer and len(times) < count:
                line, self._flip_buffer = self._flip_buffer.split(b"\n", 1)
                times.append(int(line) / 1e9)
            if len(times) == count:
                break
            left = deadline - time.monotonic()
            ready, _, _ = select.select([self.flip_read], [], [], max(left, 0))
            if not ready:
                raise AssertionError("only %d of %d flips arrived" % (len(times), count))
            chunk = os.read(self.flip_read, 4096)
            if not chunk:
                raise AssertionError("the program ended after %d flips" % len(times))
            self._flip_buffer += chunk
        return times

    def pending_flips(self):
        """The flips that have arrived so far, without waiting."""
        times = []
        while select.select([self.flip_read], [], [], 0)[0]:
            chunk = os.read(self.flip_read, 65536)
            if not chunk:
                break
            self._flip_buffer += chunk
        while b"\n" in self._flip_buffer:
            line, self._flip_buffer = self._flip_buffer.split(b"\n", 1)
            times.append(int(line) / 1e9)
        return times

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(TIMEOUT)
        for fd in (self.master, self.slave, self.flip_read):
            if fd is not None:
                os.close(fd)
        if self._own_home:
            shutil.rmtree(self.home, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def choose_nosound(app):
    """NoSound and its one driver, through both menus."""
    app.expect(OUTPUT_MENU)
    app.send("4")
    app.expect(NOSOUND_MENU)
    app.send("1")


def start_running(app):
    """NoSound, its one driver, up to the key hint."""
    choose_nosound(app)
    app.expect(HINT)


def home_with_asoundrc(test, config):
    """A temporary HOME whose ALSA configuration is config, removed after
    the test."""
    home = tempfile.mkdtemp(prefix="amtone-alsa-")
    test.addCleanup(shutil.rmtree, home, True)
    with open(os.path.join(home, ".asoundrc"), "w") as f:
        f.write(config)
    return home


# An interactive shell without line editing, so that its terminal stays in
# the ordinary canonical mode while it waits at its prompt.
SHELL = ["bash", "--norc", "--noprofile", "--noediting", "-i"]
SHELL_PROMPT = "amtone-test$ "


def killed_by(status, sig):
    return status == -sig
