"""Start-up of the Windows program: which clock appears, where, in what shape, and only once."""

import re

from harness import ClockTest, Image, labels

CLOCK = "^Form1$"
NOTICE = "^Marisole Clock$"
DIALOG = "^About$"
NOON = "2026-01-01 09:45:30"

# Points of the large window (480x480, corners rounded with a 30-pixel ellipse) that the
# rounding removes, and points near its edges that it keeps.
LARGE_CUT = [(0, 0), (2, 2), (477, 2), (2, 477), (477, 477)]
LARGE_KEPT = [(240, 2), (2, 240), (476, 240), (240, 476), (240, 240), (20, 20), (459, 459)]
# The small window (237x237) is cut to the circle inscribed in its 233x233 face: the box's
# corners are removed, also at points a rounded square would keep, and so is the 4-pixel
# strip along the right and bottom edges that the face does not cover; points just inside
# the circle stay.
SMALL_CUT = [(0, 0), (10, 10), (30, 30), (202, 30), (30, 202), (202, 202), (235, 116), (116, 235), (236, 236)]
SMALL_KEPT = [(116, 3), (3, 116), (229, 116), (116, 229), (116, 116), (40, 40), (192, 192)]


# Wine takes its locale from these (no matching Linux locale is needed for that).
JAPANESE_LOCALE = {"LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8"}


def settings(size: int, top: int, left: int) -> bytes:
    return f"[MAIN]\r\nSIZE={size}\r\nTOP={top}\r\nLEFT={left}\r\n".encode()


def text_glyphs(notice: Image) -> tuple[int, int, int]:
    """The notice's text, right of its icon and above its button: how many different shapes
    its glyphs have (runs of dark columns), and the width and height of its ink."""
    icon = [x for x, _, (r, g, b) in notice.pixels() if r > 200 and 80 < g < 200 and b < 80]
    left = max(icon) + 1
    dark = {(x, y) for x, y, c in notice.pixels() if x >= left and max(c) < 100}
    rows = sorted({y for _, y in dark})
    band = [rows[0]]  # the first band of rows with ink; the button stands below a gap
    for y in rows[1:]:
        if y - band[-1] > 2:
            break
        band.append(y)
    ink = {(x, y) for x, y in dark if band[0] <= y <= band[-1]}
    columns = sorted({x for x, _ in ink})
    runs, run = [], [columns[0]]
    for x in columns[1:]:
        if x - run[-1] > 1:
            runs.append(run)
            run = []
        run.append(x)
    runs.append(run)
    shapes = {frozenset((x - r[0], y - band[0]) for x, y in ink if r[0] <= x <= r[-1]) for r in runs}
    return len(shapes), columns[-1] - columns[0] + 1, band[-1] - band[0] + 1


class StartUp(ClockTest):
    @labels("short")
    def test_without_settings_file_large_clock_at_top_left(self):
        s = self.session(time=NOON)
        s.launch()
        clock = s.wait_window(CLOCK)
        rect = clock.geometry()
        # The large clock's centring is overridden by the position read from the (missing) file.
        self.assertRectEqual(rect, (0, 0, 480, 480))
        self.assertIsNotNone(clock.shape_extents(), "the window has no shape")
        face = s.screenshot("large clock", rect, still=True)
        self.assertFalse(clock.above, "a clock without settings must not be always on top")
        self.assertCutAway(face, LARGE_CUT, s.background)
        self.assertCovered(face, LARGE_KEPT, s.background)
        self.assertIsNone(s.read_settings(), "start-up must not create the settings file")

    def test_small_on_top_clock_at_saved_place(self):
        s = self.session(time=NOON, ini=settings(3, 1500, 3000))
        s.launch()
        clock = s.wait_window(CLOCK)
        rect = clock.geometry()
        self.assertRectEqual(rect, (200, 100, 237, 237))  # 3000 and 1500 twips at 15 twips a pixel
        face = s.screenshot("small clock on top", rect, still=True)
        self.assertTrue(clock.above, f"SIZE=3 must be always on top; states {clock.net_wm_state()}")
        self.assertCutAway(face, SMALL_CUT, s.background)
        self.assertCovered(face, SMALL_KEPT, s.background)
        self.assertEqual(len(s.windows(CLOCK)), 1, "exactly one clock window")

    def test_settings_beside_program_in_drive_root(self):
        # D:\ ends in a backslash already: the settings path must still be found (D:\Vo_Clock.ini).
        s = self.session(time=NOON, drive="D", ini=settings(2, 3000, 4500))
        s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (300, 200, 237, 237))
        s.screenshot("small clock from drive root", clock.geometry(), still=True)
        self.assertFalse(clock.above, "SIZE=2 is the small clock, not on top")

    def test_second_copy_shows_notice_and_leaves_first_alone(self):
        # The first copy's clock is on top and its dialog, on top of everything, is open. The
        # second copy runs in a Japanese locale, as on a Japanese desktop, where Wine draws its
        # message box in the Japanese system faces.
        stored = settings(1, 1500, 300)
        s = self.session(time=NOON, ini=stored, drive="D")  # D:\ spares the locale a Japanese path
        first = s.launch()
        clock = s.wait_window(CLOCK)
        s.click(clock.geometry().x + 60, clock.geometry().y + 60, 3)
        dialog = s.wait_window(DIALOG)
        s.wait_for(dialog.is_viewable, 10, "the dialog to be shown")
        placed = (clock.geometry(), dialog.geometry())
        second = s.launch_with(JAPANESE_LOCALE)
        notice = s.wait_window(NOTICE)
        # The notice comes up above them all, the dialog included, and takes the keyboard.
        s.wait_for(notice.is_active, 10, "the notice to be the active window")

        def notice_on_top() -> bool:
            stacking = re.findall(r"0x[0-9a-f]+", s.display.root_property("_NET_CLIENT_LIST_STACKING"))
            return bool(stacking) and int(stacking[-1], 16) == notice.id

        s.wait_for(notice_on_top, 10, "the notice to stand above every window")
        self.assertIn("_NET_WM_STATE_ABOVE", notice.net_wm_state())
        s.screenshot("second copy notice over the dialog", still=True)
        # Its text is drawn in Japanese glyphs, all of it: twelve characters, eleven and a half
        # em wide, of many shapes (a font without them draws one box again and again, narrow,
        # and the window, sized to that, cuts its title).
        shapes, width, height = text_glyphs(s.screenshot("the notice", notice.geometry(), still=True))
        self.assertGreaterEqual(shapes, 8, "the notice's text is not drawn in Japanese glyphs")
        self.assertGreaterEqual(width, 8 * height, f"the notice's text is {width} px wide, {height} px high")
        self.assertTrue(second.running, "the second copy must wait for the notice to be dismissed")
        self.assertEqual(s.windows(CLOCK), [clock], "the second copy must not create a clock")

        s.dismiss(notice)
        self.assertEqual(second.wait(20), 0)
        # The first copy is as it was: running, its clock on top and its dialog open where they stood.
        self.assertTrue(first.running, "the first copy must survive the second")
        self.assertEqual(s.windows(CLOCK), [clock])
        self.assertTrue(dialog.is_viewable() and clock.above, "the first copy's dialog and clock on top")
        self.assertEqual((clock.geometry(), dialog.geometry()), placed)
        self.assertEqual(s.read_settings(), stored, "the settings file must be untouched")
        s.screenshot("after the notice")

    def test_a_waiting_notice_holds_off_no_later_start(self):
        s = self.session(time=NOON, ini=settings(0, 0, 0))
        first = s.launch()
        s.wait_window(CLOCK)
        second = s.launch()
        notice = s.wait_window(NOTICE)
        # The first copy ends while the notice waits: the waiting copy holds no claim, so a
        # third start runs.
        self.assertIsNotNone(first.kill())
        third = s.launch()
        again = s.wait_for(lambda: (c := s.windows(CLOCK)) and c[0].pid == third.pid and c[0], 30,
                           "the third copy's clock")
        self.assertTrue(notice.is_viewable(), "the notice is still waiting")
        self.assertEqual(len(s.windows(NOTICE)), 1, "the third copy must not be refused")
        s.dismiss(notice)
        self.assertEqual(second.wait(20), 0)
        self.assertTrue(third.running)
        self.assertEqual(s.windows(CLOCK), [again])

    @labels("reliability")
    def test_five_copies_at_once_leave_one_clock(self):
        # The small clock stands clear of the screen's middle, where the notices come up.
        stored = settings(2, 7500, 10500)
        s = self.session(time=NOON, ini=stored)
        written = s.settings_path.stat().st_mtime_ns
        copies = s.launch_many(5)
        clock = s.wait_window(CLOCK, timeout=60)
        s.wait_window(NOTICE, count=4, timeout=60)
        s.screenshot("five copies", still=True)
        notices = s.windows(NOTICE)
        self.assertEqual(len({n.pid for n in notices} | {clock.pid}), 5, "one clock and four notices, one copy each")
        for notice in notices:
            s.dismiss(notice)
        s.wait_for(lambda: sum(p.running for p in copies) == 1, 30, "the four later copies to exit")
        survivor = next(p for p in copies if p.running)
        self.assertEqual(s.windows(CLOCK), [clock])
        self.assertEqual(clock.pid, survivor.pid)
        self.assertRectEqual(clock.geometry(), (700, 500, 237, 237))
        self.assertEqual(s.windows(NOTICE), [])
        self.assertEqual(sorted(p.wait(10) for p in copies if p is not survivor), [0, 0, 0, 0])
        self.assertEqual(s.read_settings(), stored, "no copy may change the settings file")
        self.assertEqual(s.settings_path.stat().st_mtime_ns, written, "no copy may write the settings file")
        s.screenshot("one clock left")
