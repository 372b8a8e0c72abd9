import os
import signal
import subprocess
import termios
import unittest

from harness import (AMTONE, SHELL, SHELL_PROMPT, Amtone, NOSOUND_MENU, OUTPUT_MENU, TIMEOUT,
                     choose_nosound, killed_by, start_running)


def key_mode(attributes):
    lflag = attributes[3]
    return not (lflag & termios.ICANON) and not (lflag & termios.ECHO)


class StartUpFaults(unittest.TestCase):
    def test_no_display_prints_the_graphics_library_error_and_ends_with_status_one(self):
        with Amtone(env={"SDL_VIDEODRIVER": "no_such_driver"}) as app:
            choose_nosound(app)
            self.assertEqual(app.wait_exit(), 1)
            self.assertEqual(app.out, OUTPUT_MENU + NOSOUND_MENU + "Error!\nno_such_driver not available\n")
            self.assertTrue(app.terminal_restored())

    def test_ctrl_c_in_the_output_menu_ends_by_the_signal(self):
        with Amtone() as app:
            app.expect(OUTPUT_MENU)
            app.send("\x03")
            self.assertTrue(killed_by(app.wait_exit(), signal.SIGINT))
            self.assertEqual(app.out, OUTPUT_MENU)
            self.assertTrue(app.terminal_restored())

    def test_closed_or_empty_standard_input_ends_either_menu_with_status_zero(self):
        cases = [("closed", None, OUTPUT_MENU), ("empty", b"", OUTPUT_MENU),
                 ("ends in the driver menu", b"4", OUTPUT_MENU + NOSOUND_MENU),
                 ("ends after ignored keys", b"9\x80\x00", OUTPUT_MENU)]
        for name, keys, expected in cases:
            with self.subTest(name):
                result = subprocess.run(
                    [AMTONE], input=keys, capture_output=True, timeout=TIMEOUT,
                    stdin=subprocess.DEVNULL if keys is None else None,
                    preexec_fn=(lambda: os.close(0)) if keys is None else None,
                    env={"SDL_VIDEODRIVER": "dummy", "PATH": "/usr/bin:/bin"})
                self.assertEqual(result.returncode, 0)
                self.assertEqual(result.stdout.decode(), expected)
                self.assertEqual(result.stderr, b"")


class RunningFaults(unittest.TestCase):
    def test_ctrl_z_gives_the_terminal_back_and_fg_takes_it_again(self):
        # As a person does it: from a shell with job control.
        with Amtone(argv=SHELL, env={"PS1": SHELL_PROMPT}) as app:
            app.expect(SHELL_PROMPT)
            at_prompt = app.terminal_now()
            app.send(AMTONE + "\n")
            start_running(app)
            self.assertTrue(key_mode(app.terminal_now()))
            app.send("\x1a")
            app.expect("Stopped")
            app.expect(SHELL_PROMPT)
            self.assertEqual(app.terminal_now(), at_prompt)  # usable while suspended
            app.send("fg\n")
            app.expect(AMTONE + "\n")
            # A key typed in the instant before the program has taken the
            # terminal back may still be echoed by it; the keys work either way.
            app.send("z")
            lines = app.expect_lines(2)
            self.assertIn("Freq [440.000000] Ampl [1.010000]", lines[0])
            self.assertTrue(key_mode(app.terminal_now()))
            app.send("z")
            lines = app.expect_lines(2)
            self.assertTrue(lines[0].startswith("Freq [440.000000] Ampl [1.020000]"), lines)
            app.send("\x03")
            app.expect(SHELL_PROMPT)
            self.assertEqual(app.terminal_now(), at_prompt)
            app.send("echo status=$?\n")
            app.expect("status=130\n")

    def test_the_terminal_hanging_up_ends_the_program(self):
        with Amtone() as app:
            start_running(app)
            os.close(app.master)
            app.master = os.open(os.devnull, os.O_RDONLY)  # closed once more by the harness
            self.assertTrue(killed_by(app.proc.wait(TIMEOUT), signal.SIGHUP))

    def test_parameters_driven_to_extremes_keep_it_running(self):
        with Amtone(flips=True) as app:
            start_running(app)
            presses = 2500
            for key in "zaer":
                app.send(key * presses)
                lines = app.expect_lines(2 * presses, timeout=60)
                self.assertTrue(all(line.endswith("]  \n") for line in lines))
                app.wait_flips(2)
            for key in "qsdf":
                app.send(key * (3 * presses))
                app.expect_lines(6 * presses, timeout=60)
                app.wait_flips(2)
            app.proc.send_signal(signal.SIGTERM)
            self.assertTrue(killed_by(app.wait_exit(), signal.SIGTERM))
            self.assertTrue(app.terminal_restored())


if __name__ == "__main__":
    unittest.main()
