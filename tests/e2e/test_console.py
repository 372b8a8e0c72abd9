import os
import signal
import subprocess
import unittest

from harness import (Amtone, HINT, NOSOUND_MENU, OUTPUT_MENU, SEPARATOR, PROMPT, killed_by,
                     start_running)


def carrier_freq(line):
    return line.split("]")[0].split("[")[1]


class Menus(unittest.TestCase):
    def test_escape_in_the_output_menu_ends_with_status_zero(self):
        with Amtone() as app:
            app.expect(OUTPUT_MENU)
            app.send("\x1b")
            self.assertEqual(app.wait_exit(), 0)
            self.assertEqual(app.out, OUTPUT_MENU)
            self.assertTrue(app.terminal_restored())

    def test_escape_in_the_driver_menu_ends_with_status_zero(self):
        with Amtone() as app:
            app.expect(OUTPUT_MENU)
            app.send("5")
            app.send("0a\r")  # ignored, nothing printed
            app.send("4")
            app.expect(NOSOUND_MENU)
            app.send("\x1b")
            self.assertEqual(app.wait_exit(), 0)
            self.assertEqual(app.out, OUTPUT_MENU + NOSOUND_MENU)
            self.assertTrue(app.terminal_restored())

    def test_cursor_and_function_keys_do_not_end_or_choose_in_a_menu(self):
        with Amtone() as app:
            app.expect(OUTPUT_MENU)
            # Up, F1, Home (whose '1' must not pick Direct Sound), F5.
            app.send("\x1b[A")
            app.send("\x1bOP")
            app.send("\x1b[1~")
            app.send("\x1b[15~")
            app.send("4")
            app.expect(NOSOUND_MENU)
            self.assertEqual(app.out, OUTPUT_MENU + NOSOUND_MENU)
            app.send("\x1b")
            self.assertEqual(app.wait_exit(), 0)

    def test_a_type_this_platform_lacks_falls_back_to_its_own(self):
        with Amtone() as app:
            app.expect(OUTPUT_MENU)
            app.send("1")  # Direct Sound does not exist here
            app.expect(SEPARATOR + "Alsa Driver list\n" + SEPARATOR)
            app.expect(PROMPT)
            app.send("\x1b")
            self.assertEqual(app.wait_exit(), 0)

    def test_ctrl_c_in_a_menu_ends_by_the_signal_with_the_terminal_restored(self):
        with Amtone() as app:
            app.expect(OUTPUT_MENU)
            app.send("4")
            app.expect(NOSOUND_MENU)
            app.send("\x03")
            self.assertTrue(killed_by(app.wait_exit(), signal.SIGINT))
            self.assertTrue(app.terminal_restored())


class Running(unittest.TestCase):
    def test_keys_change_parameters_and_every_key_prints_both_lines(self):
        with Amtone() as app:
            start_running(app)
            self.assertNotIn("\x1b", app.out.split(NOSOUND_MENU)[1].split(HINT)[0].replace(
                "\x1b[H\x1b[2J\x1b[3J", ""))
            app.send("q" * 44)
            lines = app.expect_lines(88)
            self.assertEqual(carrier_freq(lines[-2]), "0.000000")
            app.send("q")
            lines = app.expect_lines(2)
            self.assertEqual(carrier_freq(lines[0]), "-10.000000")
            self.assertTrue(lines[1].startswith("Freq [1.000000] Ampl [1.000000] - AFreq [1.000000]"))
            # Not in the table: nothing changes, both lines still print.
            app.send("A")
            again = app.expect_lines(2)
            self.assertEqual(carrier_freq(again[0]), "-10.000000")
            app.send("\x03")
            self.assertTrue(killed_by(app.wait_exit(), signal.SIGINT))
            self.assertTrue(app.terminal_restored())

    def test_each_byte_of_a_cursor_key_is_one_key_read(self):
        with Amtone() as app:
            start_running(app)
            app.send("\x1b[A")
            lines = app.expect_lines(6)
            self.assertTrue(all(line.startswith("Freq [") and line.endswith("]  \n") for line in lines))
            app.send("\x03")
            app.wait_exit()

    def test_stop_signals_end_the_program_by_that_signal(self):
        for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            with self.subTest(signal=sig), Amtone() as app:
                start_running(app)
                app.send("z")
                app.expect_lines(2)
                app.proc.send_signal(sig)
                self.assertTrue(killed_by(app.wait_exit(), sig))
                self.assertTrue(app.terminal_restored())
                self.assertEqual(app.out.count(HINT), 1)


class PipedInput(unittest.TestCase):
    def test_piped_bytes_are_the_keys_and_the_loop_outlives_their_end(self):
        read_end, write_end = os.pipe()
        with Amtone(stdin=read_end) as app:
            os.close(read_end)
            os.write(write_end, b"41zA")
            os.close(write_end)
            app.expect(OUTPUT_MENU + NOSOUND_MENU)
            app.expect(HINT)
            lines = app.expect_lines(4)
            self.assertTrue(lines[0].startswith("Freq [440.000000] Ampl [1.010000]"))
            self.assertTrue(lines[2].startswith("Freq [440.000000] Ampl [1.010000]"))
            self.assertIsNone(app.proc.poll())  # still running after the end of input
            app.proc.send_signal(signal.SIGTERM)
            self.assertTrue(killed_by(app.wait_exit(), signal.SIGTERM))

    def test_end_of_input_in_a_menu_ends_with_status_zero(self):
        for keys in (b"", b"4"):
            with self.subTest(keys=keys):
                result = subprocess.run([os.environ["AMTONE_BIN"]], input=keys, capture_output=True,
                                        timeout=20, env={"SDL_VIDEODRIVER": "dummy", "PATH": "/usr/bin:/bin"})
                self.assertEqual(result.returncode, 0)
                expected = OUTPUT_MENU + (NOSOUND_MENU if keys else "")
                self.assertEqual(result.stdout.decode(), expected)
                self.assertEqual(result.stderr, b"")


if __name__ == "__main__":
    unittest.main()
