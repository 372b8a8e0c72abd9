"""Soak run: amtone under NoSound and the dummy video driver, a key every
10 ms on a pseudo-terminal, for a given time. Reports keys sent against
parameter lines read back, resident memory at the start and the end, stream
blocks produced against the blocks the clock asked for, and the CPU share.
Exits non-zero when a figure is out of bounds."""

import argparse
import os
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
from harness import HINT, Amtone, killed_by, start_running  # noqa: E402

BLOCK_SECONDS = 16384 / 44100
KEY_INTERVAL = 0.010
KEYS = "azsqerdfA"  # every key of the table, balanced, and one that changes nothing
MAX_RSS_GROWTH_KIB = 1024


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def parameter_lines(app):
    # Each parameter line starts a line; "AFreq [" inside it must not count.
    return app.out[app.out.find(HINT) + len(HINT) - 1:].count("\nFreq [")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=float, default=600)
    args = parser.parse_args()

    with Amtone(flips=True) as app:
        start_running(app)
        started = time.monotonic()
        flips = app.wait_flips(2)
        rss_start = rss_kib(app.proc.pid)

        sent = 0
        next_key = time.monotonic()
        end = started + args.seconds
        while time.monotonic() < end:
            app.send(KEYS[sent % len(KEYS)])
            sent += 1
            next_key += KEY_INTERVAL
            # Read what the program prints until the next key is due, so that
            # its output never backs up; the flips are read as they come.
            while True:
                left = next_key - time.monotonic()
                if left <= 0:
                    break
                app.read_some(left)
            flips += app.pending_flips()

        # Every key's two lines, then the figures.
        deadline = time.monotonic() + 20
        while parameter_lines(app) < 2 * sent and app.read_some(max(0.0, deadline - time.monotonic())):
            pass
        flips += app.pending_flips()
        wall = time.monotonic() - started
        cpu = cpu_seconds(app.proc.pid)
        rss_end = rss_kib(app.proc.pid)
        param_lines = parameter_lines(app)

        app.proc.send_signal(signal.SIGTERM)
        ended_cleanly = killed_by(app.wait_exit(), signal.SIGTERM) and app.terminal_restored()

    asked = int((flips[-1] - flips[0]) / BLOCK_SECONDS) + 1
    missed = max(0, asked - len(flips))
    growth = rss_end - rss_start
    print("soak: %.0f s" % wall)
    print("keys sent: %d, parameter lines read back: %d (expected %d)" % (sent, param_lines, 2 * sent))
    print("resident memory: %d KiB at the start, %d KiB at the end, growth %d KiB" %
          (rss_start, rss_end, growth))
    print("stream blocks: %d produced, %d asked for by the clock, %d missed" % (len(flips), asked, missed))
    print("cpu share: %.2f %% of one core" % (100 * cpu / wall))
    print("ended by SIGTERM with the terminal restored: %s" % ended_cleanly)

    ok = (param_lines == 2 * sent and growth < MAX_RSS_GROWTH_KIB and missed == 0 and ended_cleanly)
    print("soak: %s" % ("passed" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
