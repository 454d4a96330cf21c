"""Moving the clock, the "About" dialog, switching sizes and quitting: what the user sees and what the file keeps.

The settings file is written by Wine's own profile functions, so its bytes are compared whole:
a first write creates "[MAIN]" with the keys in the order written, later writes replace values in
place and append new keys. Wine leaves a file alone when a write would not change a value, so
files that must not be written hold values in a form the program never writes ("01500").
"""

from __future__ import annotations

import time

from harness import ClockTest, Image, Rect, labels
from harness.session import REPO

CLOCK = "^Form1$"
DIALOG = "^About$"
NOON = "2026-01-01 09:45:30"
ARTWORK = REPO / "src" / "artwork" / "generated"

# Centres of the dialog's controls, in pixels of its client area.
CHECK_ON_TOP = (64, 64)  # "常に手前に表示"
SMALL_OPTION = (52, 104)  # "小 (233*233)"
OK_BUTTON = (140, 100)  # "O K"
QUIT_BUTTON = (208, 100)  # "終了"

# The check box's and the option buttons' marks (left, top, width, height in the client area):
# a tick or a dot adds dark pixels there.
CHECK_MARK = (8, 56, 15, 17)
LARGE_MARK = (8, 80, 15, 17)
SMALL_MARK = (8, 96, 15, 17)
# Beside the captions, where the controls' own background shows; and Label2's red text.
CONTROL_GREY = [(110, 64), (90, 88), (90, 104)]
LABEL2 = (16, 37, 121, 17)

# Points of the small clock's window cut away by its round outline, and points it keeps.
SMALL_CUT = [(0, 0), (30, 30), (202, 30), (30, 202), (202, 202), (235, 116)]
SMALL_KEPT = [(116, 3), (3, 116), (229, 116), (116, 229), (116, 116)]


def settings(size: str, top: str, left: str) -> bytes:
    return f"[MAIN]\r\nSIZE={size}\r\nTOP={top}\r\nLEFT={left}\r\n".encode()


def drag_watching(s, window, start: tuple[int, int], end: tuple[int, int], steps: int = 10) -> list[str]:
    """Drags with the left button in steps and, after each step, waits for the window to have
    moved by as much as the pointer has; returns what went wrong. (Releases where the pointer
    is: xdotool's mousemove --sync to the pointer's own place waits 15 s for a move.)"""
    origin = window.geometry()
    (x0, y0), (x1, y1) = start, end
    lagging = []
    s.display.press(x0, y0)
    for i in range(1, steps + 1):
        x, y = round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps)
        s.display.move(x, y)
        want = (origin.x + x - x0, origin.y + y - y0)
        try:
            s.wait_for(lambda: tuple(window.geometry()[:2]) == want, 5, f"the window at {want}")
        except AssertionError:
            lagging.append(f"step {i}: pointer at {(x, y)}, window at {tuple(window.geometry()[:2])}, not {want}")
    s.display.run("xdotool", "mouseup", "1")
    return lagging


def dark(image: Image, client: Rect, box: tuple[int, int, int, int]) -> int:
    """Dark pixels (a tick, a dot, a frame) in a box of the dialog's client area."""
    x, y, w, h = box
    return image.crop((client.x + x, client.y + y, w, h)).count(lambda c: sum(c) < 200)


class Dialog(ClockTest):
    def open_dialog(self, s, at: tuple[int, int], button: int = 3):
        s.click(*at, button)
        return s.wait_window(DIALOG)

    def press(self, s, dialog, control: tuple[int, int]) -> None:
        client = dialog.geometry()
        s.click(client.x + control[0], client.y + control[1])

    def assertSettingsBecome(self, s, expected: bytes, what: str = "", timeout: float = 10) -> None:
        """The settings file comes to hold exactly these bytes (a write truncates it first, so wait)."""
        try:
            s.wait_for(lambda: s.read_settings() == expected, timeout, "the settings file")
        except AssertionError:
            self.assertEqual(s.read_settings(), expected, what)

    def assertDialogOver(self, s, dialog, clock_rect: Rect, face: str) -> None:
        """Where the dialog's client area overlaps the clock, the dialog shows, not the clock's face."""
        client = dialog.geometry()
        left, top = max(client.x, clock_rect.x), max(client.y, clock_rect.y)
        right, bottom = min(client.right, clock_rect.right), min(client.bottom, clock_rect.bottom)
        self.assertTrue(right - left > 40 and bottom - top > 40, "the test needs the dialog over the clock")
        picture = Image.load_bmp(str(ARTWORK / face))
        screen = s.capture()
        points = [(x, y) for y in range(top, bottom, 2) for x in range(left, right, 2)
                  if x - clock_rect.x < picture.width and y - clock_rect.y < picture.height]
        showing = sum(screen.pixel(x, y) == picture.pixel(x - clock_rect.x, y - clock_rect.y) for x, y in points)
        self.assertLess(showing, len(points) // 20,
                        f"{showing} of {len(points)} pixels of the dialog show the clock's face")

    @labels("short")
    def test_drag_moves_clock_and_saves_twips_even_when_released_off_it(self):
        s = self.session(time=NOON)
        s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (0, 0, 480, 480))
        # The grabbed point stays under the pointer at every step.
        self.assertEqual(drag_watching(s, clock, (240, 100), (540, 250)), [])
        self.assertRectEqual(clock.geometry(), (300, 150, 480, 480))
        self.assertSettingsBecome(s, b"[MAIN]\r\nTOP=2250\r\nLEFT=4500\r\n", "after the drag")
        s.screenshot("after a drag", still=True)

        # A flick: pressed near the clock's corner, the pointer jumps up and left, and the button is
        # released at once, at a place the clock has not reached yet. The clock follows and saves.
        s.display.run("xdotool", "mousemove", "320", "170", "mousedown", "1",
                      "mousemove", "40", "30", "mouseup", "1")
        s.wait_for(lambda: clock.geometry() == (20, 10, 480, 480), 10, "the clock to follow the flick")
        self.assertSettingsBecome(s, b"[MAIN]\r\nTOP=150\r\nLEFT=300\r\n", "after the flick")
        # The drag is over: the clock stays put when the pointer moves over it without a button.
        for point in ((200, 200), (300, 260), (120, 90)):
            s.display.move(*point)
        time.sleep(0.5)
        self.assertRectEqual(clock.geometry(), (20, 10, 480, 480), "the clock moved after the button was released")
        s.screenshot("after the flick", still=True)

    def test_right_click_dialog_over_clock_and_close_box_saves_and_ends(self):
        # "01" and the zero-padded places read as 1, 1500 and 3000; any write would change them.
        stored = settings("01", "01500", "03000")
        s = self.session(time=NOON, ini=stored)
        program = s.launch()
        clock = s.wait_window(CLOCK)
        rect = clock.geometry()
        self.assertRectEqual(rect, (200, 100, 480, 480))
        self.assertTrue(clock.above, "SIZE 1 is the large clock on top")
        written = s.settings_path.stat().st_mtime_ns

        dialog = self.open_dialog(s, (440, 160))
        frame = dialog.frame_geometry()
        s.screenshot("about over the clock", frame, still=True)
        self.assertDialogOver(s, dialog, rect, "LargeFace.bmp")
        time.sleep(0.5)  # the button's release has long been handled
        self.assertRectEqual(clock.geometry(), tuple(rect), "a right click must not move the clock")
        self.assertEqual(s.read_settings(), stored, "a right click must not write the settings")
        self.assertEqual(s.settings_path.stat().st_mtime_ns, written, "a right click must not write the settings")

        # The close box at the right end of the title bar the window manager draws.
        s.click(frame.right - 11, frame.y + (dialog.geometry().y - frame.y) // 2)
        self.assertEqual(program.wait(15), 0, "closing the dialog ends the program")
        self.assertEqual(s.read_settings(), settings("1", "1500", "3000"))
        self.assertEqual(s.windows(CLOCK), [])

    @labels("short")
    def test_ok_switches_to_small_on_top_in_place_and_quit_keeps_it_for_next_start(self):
        s = self.session(time=NOON, ini=settings("0", "2250", "4500"))
        first = s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (300, 150, 480, 480))
        self.assertFalse(clock.above)

        dialog = self.open_dialog(s, (540, 250), button=2)  # the middle button opens it too
        self.press(s, dialog, SMALL_OPTION)
        self.press(s, dialog, CHECK_ON_TOP)
        s.screenshot("small and on top chosen", dialog.frame_geometry(), still=True)
        self.press(s, dialog, OK_BUTTON)
        s.wait_no_window(DIALOG, 10)

        def only_the_small_clock():
            clocks = s.windows(CLOCK)
            return clocks[0] if len(clocks) == 1 and clocks[0].geometry().width == 237 else None

        small = s.wait_for(only_the_small_clock, 10, "one clock, the small one")
        self.assertRectEqual(small.geometry(), (300, 150, 237, 237), "the small clock takes the large one's place")
        self.assertTrue(small.above, f"the small clock must be on top; states {small.net_wm_state()}")
        face = s.screenshot("small clock on top", small.geometry(), still=True)
        self.assertCutAway(face, SMALL_CUT, s.background)
        self.assertCovered(face, SMALL_KEPT, s.background)
        self.assertSettingsBecome(s, settings("3", "2250", "4500"), "after O K")

        # Open it again over the clock that is on top, take "on top" back, and quit: saved, not applied.
        dialog = self.open_dialog(s, (416, 200))
        s.screenshot("about over the small clock", dialog.frame_geometry(), still=True)
        self.assertDialogOver(s, dialog, small.geometry(), "SmallFace.bmp")
        # Meanwhile the clock takes no input: a drag on it (beside the dialog) neither moves nor saves.
        written = s.settings_path.stat().st_mtime_ns
        s.display.run("xdotool", "mousemove", "360", "210", "mousedown", "1", "mousemove", "375", "225",
                      "mousemove", "390", "240", "mouseup", "1")
        time.sleep(0.5)
        self.assertRectEqual(small.geometry(), (300, 150, 237, 237), "the clock moved while the dialog was up")
        self.assertEqual(s.settings_path.stat().st_mtime_ns, written, "the clock saved while the dialog was up")
        s.screenshot("after a drag on the clock while the dialog is up", still=True)
        self.press(s, dialog, CHECK_ON_TOP)
        self.press(s, dialog, QUIT_BUTTON)
        self.assertEqual(first.wait(15), 0, "終了 ends the program")
        self.assertEqual(s.read_settings(), settings("2", "2250", "4500"))

        s.launch()
        again = s.wait_window(CLOCK)
        self.assertRectEqual(again.geometry(), (300, 150, 237, 237), "the next start: the small clock, in place")
        self.assertFalse(again.above, "saved without on top")
        face = s.screenshot("small clock after restart", again.geometry(), still=True)
        self.assertCutAway(face, SMALL_CUT, s.background)
        self.assertCovered(face, SMALL_KEPT, s.background)

    def test_keyboard_starts_on_the_picture_and_moves_in_tab_order(self):
        # SIZE=3: the first time the dialog comes up it shows the small clock chosen and "on top" checked.
        stored = settings("3", "1500", "10500")
        # Wide enough for the large clock at the small one's place: a window mapped partly off
        # the screen is moved onto it by the window manager, and Wine 10 follows that move.
        s = self.session(time=NOON, ini=stored, screen=(1280, 800))
        program = s.launch()
        small = s.wait_window(CLOCK)
        self.assertRectEqual(small.geometry(), (700, 100, 237, 237))
        written = s.settings_path.stat().st_mtime_ns
        dialog = self.open_dialog(s, (760, 160))
        client = dialog.geometry()

        # A fixed frame with a close box only, 249 x 123 inside, in the middle of the screen.
        self.assertEqual((client.width, client.height), (249, 123))
        frame = dialog.frame_geometry()
        self.assertLessEqual(abs(client.x + client.width / 2 - 640), 1, f"dialog at {client}, frame {frame}")
        self.assertTrue(frame.y < 400 - client.height / 2 < client.y + 2, f"dialog at {client}, frame {frame}")
        actions = dialog.prop("_NET_WM_ALLOWED_ACTIONS")
        self.assertIn("_NET_WM_ACTION_CLOSE", actions)
        for action in ("RESIZE", "MAXIMIZE_HORZ", "MAXIMIZE_VERT"):
            self.assertNotIn(f"_NET_WM_ACTION_{action}", actions)
        # What the window asks of the window manager (which offers to minimise any window):
        # moving and closing, no resizing, minimising or maximising.
        hints = [int(v, 16) for v in dialog.prop("_MOTIF_WM_HINTS").split("=", 1)[1].split(",")]
        self.assertEqual(hints[1] & 0x3f, 0x24, f"Motif functions {hints}: move and close only")
        # Neither window has a taskbar button.
        for window in (small, dialog):
            self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", window.net_wm_state(), window)

        s.screenshot("about as first shown for SIZE=3", frame, still=True)
        shot = s.capture()
        ticked = dark(shot, client, CHECK_MARK)
        self.assertGreater(dark(shot, client, SMALL_MARK), dark(shot, client, LARGE_MARK) + 3, "小 selected")
        for x, y in CONTROL_GREY:
            self.assertColour(shot.pixel(client.x + x, client.y + y), (192, 192, 192), msg=f"control at {(x, y)}")
        label = shot.crop((client.x + LABEL2[0], client.y + LABEL2[1], LABEL2[2], LABEL2[3]))
        self.assertGreater(label.count((255, 0, 0)), 30, "Label2's text is red")

        def unchanged(what: str) -> Image:
            time.sleep(0.5)
            self.assertTrue(dialog.is_viewable(), f"{what} closed the dialog")
            self.assertTrue(program.running, f"{what} ended the program")
            self.assertEqual(s.settings_path.stat().st_mtime_ns, written, f"{what} wrote the settings")
            return s.capture()

        def check_mark() -> int:
            return dark(s.capture(), client, CHECK_MARK)

        # The focus starts on the picture, which does nothing with keys: Enter and Escape are
        # bound to no button, and Space presses nothing.
        s.key("Return", window=dialog)
        s.key("Escape", "space")
        shot = unchanged("Enter, Escape or Space on the picture")
        self.assertEqual(dark(shot, client, CHECK_MARK), ticked, "the check box changed")
        # Tab: "O K", "終了", the option group, the check box. Space there clears the tick; Enter
        # and Escape still do nothing.
        s.key("Tab", "Tab", "Tab", "Tab", "space")
        s.wait_for(lambda: check_mark() < ticked - 3, 10, "the tick to go")
        s.key("Return", "Escape")
        unchanged("Enter or Escape on the check box")
        # Round to the picture again, where Space does nothing.
        s.key("Tab", "space")
        self.assertLess(dark(unchanged("Space on the picture"), client, CHECK_MARK), ticked - 3)
        # The option group is one tab stop, the selected option; an arrow key selects the other.
        s.key("Tab", "Tab", "Tab", "Up")
        s.wait_for(lambda: (lambda i: dark(i, client, LARGE_MARK) > dark(i, client, SMALL_MARK) + 3)(s.capture()),
                   10, "大 to be selected")
        s.screenshot("大 chosen, no tick", frame, still=True)
        # Back over "終了" to "O K", and Space presses it: the large clock, not on top, in place.
        s.key("shift+Tab", "shift+Tab", "space")
        s.wait_no_window(DIALOG, 10)
        large = s.wait_for(lambda: (c := s.windows(CLOCK)) and c[0].geometry().width == 480 and c[0], 10,
                           "the large clock")
        self.assertRectEqual(large.geometry(), (700, 100, 480, 480))
        self.assertFalse(large.above)
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", large.net_wm_state())
        self.assertSettingsBecome(s, settings("0", "1500", "10500"), "after O K")
