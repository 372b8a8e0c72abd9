import os
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import unittest

from harness import (HINT, Amtone, OUTPUT_MENU, PROMPT, SEPARATOR, TIMEOUT, XWIN_TOOL,
                     home_with_asoundrc, killed_by, start_running)

BLOCK = 65536
BLOCK_SECONDS = 16384 / 44100


def samples(data):
    """(left, right) pairs of a raw 16-bit little-endian stereo capture."""
    values = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 4 * 4])
    return list(zip(values[0::2], values[1::2]))


class NoSoundPace(unittest.TestCase):
    def test_the_callback_runs_at_the_real_time_pace(self):
        with Amtone(flips=True) as app:
            start_running(app)
            times = app.wait_flips(9)
            # Absolute deadlines: eight blocks take eight block times, no drift.
            self.assertAlmostEqual(times[-1] - times[0], 8 * BLOCK_SECONDS, delta=0.15)
            app.send("\x03")
            self.assertTrue(killed_by(app.wait_exit(), signal.SIGINT))


ASOUNDRC = """
pcm.amtone_test {
    type file
    slave.pcm "null"
    file "%s"
    format "raw"
}
"""


class AlsaDevice(unittest.TestCase):
    """A real ALSA device, defined by a test-only configuration: the stream
    lands in a file, block after block, as the device plays it."""

    def setUp(self):
        self.capture_dir = tempfile.mkdtemp(prefix="amtone-capture-")
        self.addCleanup(shutil.rmtree, self.capture_dir, True)
        self.capture = os.path.join(self.capture_dir, "capture.raw")
        self.home = home_with_asoundrc(self, ASOUNDRC % self.capture)

    def block_after_keys(self, app, keys):
        """Sends keys and returns a block computed wholly after them."""
        app.send(keys)
        app.expect_lines(2 * len(keys))
        first_new_block = os.path.getsize(self.capture) // BLOCK + 2
        # The capture trails the computed blocks by the device's buffer, less
        # than a block: enough flips later the block is surely in the file.
        app.wait_flips(8)
        with open(self.capture, "rb") as f:
            f.seek(first_new_block * BLOCK)
            data = f.read(BLOCK)
        self.assertEqual(len(data), BLOCK)
        return samples(data)

    def test_the_device_is_listed_opened_and_plays_the_stream(self):
        with Amtone(home=self.home, flips=True) as app:
            app.expect(OUTPUT_MENU)
            app.send("2")  # Windows Multimedia Waveout: here, the platform's ALSA
            listing = app.expect(SEPARATOR + "Alsa Driver list\n" + SEPARATOR)
            listing = app.expect(PROMPT)[len(listing):]
            number = next(line.split(" - ")[0] for line in listing.splitlines()
                          if line.endswith(" - amtone_test"))
            app.send(number)
            app.expect(HINT)
            app.wait_flips(4)  # the device's buffer holds back less than a block
            with open(self.capture, "rb") as f:
                start = samples(f.read(2 * BLOCK))
            self.assertEqual(len(start), 2 * BLOCK // 4)
            self.assertEqual(set(start), {(0, 0)})  # the start values are silent

            louder = self.block_after_keys(app, "z" * 50)  # carrier amplitude 1.5
            self.assertTrue(all(left == right for left, right in louder))
            self.assertEqual({left for left, _ in louder}, {-10000, 0, 10000})

            # Amplitude 4.5 and ten modulation cycles a second: peaks beyond 16 bits.
            loudest = self.block_after_keys(app, "z" * 300 + "e" * 9)
            values = {left for left, _ in loudest}
            self.assertTrue(values <= {-32768, -30000, -20000, -10000, 0, 10000, 20000, 30000, 32767})
            self.assertIn(32767, values)
            self.assertIn(-32768, values)

            app.send("\x03")
            self.assertTrue(killed_by(app.wait_exit(), signal.SIGINT))
            self.assertTrue(app.terminal_restored())


BROKEN_ASOUNDRC = """
pcm.amtone_broken {
    type file
    slave.pcm "null"
    file "/nonexistent/directory/capture-%r.raw"
    format "raw"
}
"""


class BrokenAlsaDevice(unittest.TestCase):
    """A device that opens but fails every write: the stream goes on at the
    clock's pace, and nothing reaches the console."""

    def test_write_errors_are_survived_in_silence(self):
        home = home_with_asoundrc(self, BROKEN_ASOUNDRC)
        with Amtone(home=home, flips=True) as app:
            app.expect(OUTPUT_MENU)
            app.send("2")
            app.expect(" - amtone_broken\n")
            app.expect(PROMPT)
            app.send("1")
            app.expect(HINT)
            times = app.wait_flips(4)
            self.assertGreater(times[-1] - times[0], 2.5 * BLOCK_SECONDS)  # paced, not spinning
            app.send("z")
            lines = app.expect_lines(2)
            self.assertTrue(lines[0].startswith("Freq [440.000000] Ampl [1.010000]"), lines)
            app.proc.send_signal(signal.SIGTERM)
            self.assertTrue(killed_by(app.wait_exit(), signal.SIGTERM))
            self.assertEqual(app.out.split(HINT, 1)[1], "".join(lines))


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    magic, size, maximum, pixels = data.split(b"\n", 3)
    width, height = map(int, size.split())
    return width, height, pixels


class Window(unittest.TestCase):
    """The real window, on a real X server."""

    def setUp(self):
        # Xvfb writes its display number and then a newline, in two writes:
        # read up to the newline before closing our end. -noreset keeps it
        # from writing again when its last client leaves.
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp",
                                      "-screen", "0", "1024x768x24"], pass_fds=(write_end,),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], TIMEOUT)
            chunk = os.read(read_end, 64) if ready else b""
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        self.assertTrue(number.endswith(b"\n"), "Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.tmp = tempfile.mkdtemp(prefix="amtone-x-")

    def tearDown(self):
        self.xvfb.terminate()
        self.xvfb.wait(TIMEOUT)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def xwin(self, *args):
        return subprocess.run([XWIN_TOOL, *args], env={"DISPLAY": self.display}, check=True,
                              capture_output=True, text=True, timeout=TIMEOUT).stdout.strip()

    def test_the_window_shows_both_curves_and_closing_it_ends_the_program(self):
        env = {"DISPLAY": self.display, "SDL_VIDEODRIVER": "x11"}
        # In the sanitized builds: LeakSanitizer reports what SDL2's X11
        # backend keeps for the life of the process (libdbus's connection
        # buffers, SDL2's own, and the GL driver's, which SDL unloads at exit
        # so that they show as <unknown module>). None of it is ours.
        env["ASAN_OPTIONS"] = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS", ""), "detect_leaks=0"]))
        with Amtone(env=env, flips=True) as app:
            start_running(app)
            window = self.xwin("wait-window", "640", "480", str(TIMEOUT))
            app.wait_flips(3)
            shot = os.path.join(self.tmp, "window.ppm")
            self.xwin("shot", window, shot)
            width, height, pixels = read_ppm(shot)
            self.assertEqual((width, height), (640, 480))

            rows = {b"\xff\x00\xff": set(), b"\xff\xff\xff": set()}
            columns = {b"\xff\x00\xff": set(), b"\xff\xff\xff": set()}
            others = set()
            for i in range(width * height):
                rgb = pixels[3 * i: 3 * i + 3]
                if rgb in rows:
                    rows[rgb].add(i // width)
                    columns[rgb].add(i % width)
                elif rgb != b"\x00\x00\x00":
                    others.add(rgb)
            self.assertEqual(others, set())
            magenta, white = rows[b"\xff\x00\xff"], rows[b"\xff\xff\xff"]
            self.assertEqual((min(magenta), max(magenta) >= 249, max(magenta) <= 250), (230, True, True))
            self.assertEqual((min(white), max(white) >= 339, max(white) <= 340), (140, True, True))
            self.assertEqual(len(columns[b"\xff\xff\xff"]), 640)

            self.xwin("close", window)
            self.assertEqual(app.wait_exit(), 0)
            self.assertTrue(app.terminal_restored())


if __name__ == "__main__":
    unittest.main()
