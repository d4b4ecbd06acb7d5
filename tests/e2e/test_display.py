"""The harness's display itself: it starts every time, on any machine
speed, and leaves no process behind, also when its start fails."""

import unittest

from vek.harness.display import Display


class Displays(unittest.TestCase):

    def test_forty_starts_in_a_row_each_leave_nothing_running(self):
        for attempt in range(40):
            display = Display()
            processes = (display.xvfb, display.wm)
            display.close()
            self.assertEqual([], [p.pid for p in processes if p.poll() is None], attempt)

    def test_a_start_that_fails_stops_its_x_server(self):
        started = []

        class NoWindowManager(Display):
            def _start_wm(self):
                started.append(self.xvfb)
                raise RuntimeError("openbox did not start")

        with self.assertRaises(RuntimeError):
            NoWindowManager()
        self.assertEqual(1, len(started))
        self.assertIsNotNone(started[0].poll(), "Xvfb left running")


if __name__ == "__main__":
    unittest.main()
