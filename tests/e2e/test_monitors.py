"""A desk of two monitors: the primary, 1024 x 768, and a second one of 800 x 600 to its left.

On the X screen (1824 x 768) the second monitor is at x 0 and the primary at x 800; Windows puts
the primary at (0, 0), so the second one is at (-800, 0) and X x = Windows x + 800. The part of
the X screen below the second monitor lies on no monitor.
"""

from __future__ import annotations

from harness import ClockTest

CLOCK = "^Form1$"
DIALOG = "^About$"
NOON = "2026-01-01 09:45:30"
DESK = [("LEFT", 800, 600, 0, 0), ("*RIGHT", 1024, 768, 800, 0)]
PRIMARY_X = 800  # X x of Windows x 0

# Centres of the dialog's controls, in pixels of its client area.
SMALL_OPTION = (52, 104)  # "小 (233*233)"
QUIT_BUTTON = (208, 100)  # "終了"


class Monitors(ClockTest):
    def test_a_place_on_the_second_monitor_comes_back_after_quitting_with_the_other_size(self):
        """Dragged onto the left monitor, the small clock chosen and the program quit: the file
        holds the place the user sees, and the next start shows the small clock there."""
        s = self.session(time=NOON, monitors=DESK)
        s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (PRIMARY_X, 0, 480, 480), "no file: the primary's top-left corner")
        s.drag((PRIMARY_X + 240, 200), (340, 250))
        s.wait_for(lambda: tuple(clock.geometry()) == (100, 50, 480, 480), 10, "the clock on the left monitor")
        s.wait_for(lambda: s.read_settings() == b"[MAIN]\r\nTOP=750\r\nLEFT=-10500\r\n", 10, "the drag's save")
        s.screenshot("large clock on the left monitor", still=True)

        s.click(340, 250, 3)
        dialog = s.wait_window(DIALOG)
        client = dialog.geometry()
        s.click(client.x + SMALL_OPTION[0], client.y + SMALL_OPTION[1])
        s.click(client.x + QUIT_BUTTON[0], client.y + QUIT_BUTTON[1])
        self.assertEqual(s.programs[0].wait(), 0)
        self.assertEqual(s.read_settings(), b"[MAIN]\r\nTOP=750\r\nLEFT=-10500\r\nSIZE=2\r\n")

        s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (100, 50, 237, 237), "the small clock where the large one was")
        s.screenshot("small clock on the left monitor", still=True)

    def test_a_clock_on_no_monitor_comes_onto_the_nearest_and_the_file_stays(self):
        """Places from another desk: each clock comes wholly onto the monitor nearest to it, and
        start-up writes nothing (the zero-padded values would change with any write)."""
        s = self.session(time=NOON, monitors=DESK)
        cases = [
            # Below the left monitor, where no monitor is: onto the left monitor's bottom-left corner.
            ("[MAIN]\r\nSIZE=0\r\nTOP=09000\r\nLEFT=-15000\r\n", (0, 120, 480, 480)),
            # Far right of the primary: into its bottom-right corner.
            ("[MAIN]\r\nSIZE=2\r\nTOP=09000\r\nLEFT=30000\r\n", (PRIMARY_X + 1024 - 237, 768 - 237, 237, 237)),
        ]
        for ini, rect in cases:
            with self.subTest(ini=ini):
                s.write_settings(ini.encode())
                program = s.launch()
                try:
                    clock = s.wait_window(CLOCK)
                    s.wait_for(lambda: tuple(clock.geometry()) == rect, 10, f"the clock at {rect}")
                    s.screenshot(f"clock brought onto a monitor {rect}", still=True)
                    self.assertEqual(s.read_settings(), ini.encode(), "start-up must not write the file")
                finally:
                    program.kill()
                    s.wait_no_window(CLOCK, 15)
