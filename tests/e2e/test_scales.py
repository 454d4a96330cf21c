"""Both clocks and the dialog at 125%, 150% and 200%: drawn from artwork made for that size, at
start-up and when the system tells the running windows of a new scale.

Each picture is compared, on a part that no hand and no other element covers, with its SVG source
drawn by rsvg-convert at the size the window shows it: the mean difference per colour channel, and
the share of the source's edge energy (the summed steps between neighbouring pixels) that the screen
keeps. A 96-dpi picture enlarged to the size is soft (a mean difference of 2 to 6 and 60% to 80% of
the edges); artwork made for the size comes within 1.2 and keeps more than 90%.
"""

from __future__ import annotations

import subprocess
from fractions import Fraction

from harness import ClockTest, Image, Rect
from harness.session import REPO

SOURCES = REPO / "src" / "artwork" / "sources"
WHEN = "2026-01-01 09:45:30"  # hands to the left and down: the parts below stay clear of them
LARGE_INI = b"[MAIN]\r\nSIZE=0\r\nTOP=0\r\nLEFT=0\r\n"
SMALL_INI = b"[MAIN]\r\nSIZE=2\r\nTOP=0\r\nLEFT=0\r\n"

MAX_MEAN_DIFFERENCE = 1.2
MIN_EDGE_SHARE = 0.90

# What is compared: the picture's source and design size, and the part (x, y, width, height in
# 96-dpi pixels of the picture) looked at.
LARGE_FACE = ("large_face", (480, 480), (20, 20, 440, 260))  # sky, sea and the girl above the dial
SMALL_FACE = ("small_face", (233, 233), (122, 36, 62, 72))  # the ring and face right of twelve, above the eyes
TITLE = ("title", (130, 30), (0, 0, 110, 30))  # its right end lies under the version label
PORTRAIT = ("portrait", (71, 69), (2, 0, 68, 69))  # its left edge touches the version label's box
# The dialog's pictures in its client area, in twips (Picture1 stands 120 twips left of it).
TITLE_AT, PORTRAIT_AT = (0, 120), (2520, 120)

# Two-colour lettering: a pixel is blue when it lies this far from the grey towards the blue.
GREY, BLUE, INK = (198, 198, 198), (0, 0, 255), 0.42


def scaled(pixels: int, percent: int) -> int:
    """A length at a display scale, rounded as the program rounds: to the nearest, a half to even."""
    return round(Fraction(pixels * percent, 100))


def part_at(part: tuple[int, int, int, int], percent: int) -> Rect:
    x, y, w, h = part
    return Rect(scaled(x, percent), scaled(y, percent), scaled(w, percent), scaled(h, percent))


def source_drawing(name: str, size: tuple[int, int]) -> Image:
    png = subprocess.run(["rsvg-convert", "-w", str(size[0]), "-h", str(size[1]), str(SOURCES / f"{name}.svg")],
                         stdout=subprocess.PIPE, check=True, timeout=60).stdout
    return Image.decode(png)


def two_coloured(image: Image) -> Image:
    """The title's two colours: each pixel becomes the grey or the blue it lies nearer to."""
    span = [b - g for b, g in zip(BLUE, GREY)]
    length2 = sum(d * d for d in span)
    out = bytearray()
    for i in range(0, len(image.data), 3):
        t = sum((image.data[i + k] - GREY[k]) * span[k] for k in range(3)) / length2
        out += bytes(BLUE if t >= INK else GREY)
    return Image(image.width, image.height, bytes(out))


def edge_energy(image: Image) -> int:
    d, row = image.data, image.width * 3
    across = sum(abs(d[i + 3] - d[i]) for y in range(image.height)
                 for i in range(y * row, (y + 1) * row - 3))
    down = sum(abs(d[i + row] - d[i]) for i in range(len(d) - row))
    return across + down


def likeness(screen: Image, source: Image) -> tuple[float, float]:
    """The mean difference per channel and the share of the source's edge energy on the screen."""
    mean = sum(abs(a - b) for a, b in zip(screen.data, source.data)) / len(source.data)
    return mean, edge_energy(screen) / edge_energy(source)


class Scales(ClockTest):
    def assertDrawnForSize(self, what: str, screen: Image, at: tuple[int, int], picture, percent: int,
                           lettering: bool = False) -> None:
        """The picture shown at `at` on the screen matches its source drawn at the shown size."""
        name, design, part = picture
        source = source_drawing(name, (scaled(design[0], percent), scaled(design[1], percent)))
        if lettering:
            source = two_coloured(source)
        area = part_at(part, percent)
        shown = screen.crop(Rect(at[0] + area.x, at[1] + area.y, area.width, area.height))
        mean, edges = likeness(shown, source.crop(area))
        report = f"{what} at {percent}%: mean difference {mean:.2f} per channel, {edges:.0%} of the edges"
        print(report)
        self.assertLessEqual(mean, MAX_MEAN_DIFFERENCE, report)
        self.assertGreaterEqual(edges, MIN_EDGE_SHARE, report)

    def check_scale(self, percent: int) -> None:
        """The large clock, the dialog over it, then the small clock, in one session at the scale."""
        tpp = Fraction(1440 * 100, 96 * percent)
        s = self.session(time=WHEN, ini=LARGE_INI, screen=(1280, 1024),
                         registry={r"HKCU\Control Panel\Desktop": {"LogPixels": 96 * percent // 100}})
        large = s.launch()
        clock = s.wait_window("^Form1$")
        side = round(7200 / tpp)  # the window, in twips as laid out
        self.assertRectEqual(clock.geometry(), (0, 0, side, side))
        shot = s.screenshot(f"large clock at {percent}%", clock.geometry(), still=True)
        self.assertDrawnForSize("large face", shot, (0, 0), LARGE_FACE, percent)

        s.click(scaled(40, percent), scaled(440, percent), 3)
        dialog = s.wait_window("^About$")
        client = dialog.geometry()
        shot = s.screenshot(f"dialog at {percent}%", client, still=True)
        for what, at, picture in (("title", TITLE_AT, TITLE), ("portrait", PORTRAIT_AT, PORTRAIT)):
            self.assertDrawnForSize(what, shot, (round(at[0] / tpp), round(at[1] / tpp)), picture, percent,
                                    lettering=picture is TITLE)

        large.kill()
        s.wait_no_window("^Form1$")
        s.write_settings(SMALL_INI)
        s.launch()
        clock = s.wait_window("^Form1$")
        side = round(3555 / tpp)
        self.assertRectEqual(clock.geometry(), (0, 0, side, side))
        shot = s.screenshot(f"small clock at {percent}%", clock.geometry(), still=True)
        self.assertDrawnForSize("small face", shot, (0, 0), SMALL_FACE, percent)

    def test_at_125_percent(self):
        self.check_scale(125)

    def test_at_150_percent(self):
        self.check_scale(150)

    def test_at_200_percent(self):
        self.check_scale(200)

    def test_the_running_clock_and_dialog_take_a_new_scale(self):
        """The system tells the clock, then the dialog, that their monitor is now at 150% (a real
        WM_DPICHANGED, sent by ScaleProbe with the suggested rectangle in the program's memory):
        each becomes what a start at 150% shows. A drag afterwards saves a place that the next
        start shows again (at Wine's one scale for every monitor, 100%)."""
        percent, dpi = 150, "144"
        tpp = Fraction(1440 * 100, 96 * percent)
        s = self.session(time=WHEN, ini=LARGE_INI, screen=(1280, 1024))
        program = s.launch()
        clock = s.wait_window("^Form1$")
        self.assertRectEqual(clock.geometry(), (0, 0, 480, 480))
        side = round(7200 / tpp)
        s.run_tool("ScaleProbe.exe", "send", "Form1", dpi, "0", "0", str(side), str(side))
        s.wait_for(lambda: tuple(clock.geometry()) == (0, 0, side, side), 10, f"the clock {side} px wide")
        shot = s.screenshot("large clock told of 150%", clock.geometry(), still=True)
        self.assertDrawnForSize("large face", shot, (0, 0), LARGE_FACE, percent)
        self.assertCutAway(shot, [(0, 0), (side - 1, 0), (0, side - 1), (side - 1, side - 1)], s.background,
                           "the outline is cut at the new size")

        s.click(scaled(40, percent), scaled(440, percent), 3)
        dialog = s.wait_window("^About$")
        frame = dialog.frame_geometry()
        s.run_tool("ScaleProbe.exe", "send", "About", dpi, str(frame.x), str(frame.y),
                   str(frame.x + frame.width * 3 // 2), str(frame.y + frame.height * 3 // 2))
        client_size = (round(3735 / tpp), round(1845 / tpp))
        s.wait_for(lambda: tuple(dialog.geometry()[2:]) == client_size, 10, f"the dialog's client area {client_size}")
        client = dialog.geometry()
        shot = s.screenshot("dialog told of 150%", client, still=True)
        for what, at, picture in (("title", TITLE_AT, TITLE), ("portrait", PORTRAIT_AT, PORTRAIT)):
            self.assertDrawnForSize(what, shot, (round(at[0] / tpp), round(at[1] / tpp)), picture, percent,
                                    lettering=picture is TITLE)
        # The controls' font is made anew at the size: the check box's caption stands 11 px tall
        # at 100%, 15 px here.
        ink = [y for y in range(84, 110) if any(sum(shot.pixel(x, y)) < 200 for x in range(35, 182))]
        self.assertGreaterEqual(len(ink) and ink[-1] - ink[0] + 1, 14, "the check box's caption at 150%")
        # Every control inside the client area, in its box at 150%: "O K" among them.
        report = s.run_tool("ScaleProbe.exe", "controls", "About").split("\n")
        self.assertIn(f"client {client_size[0]} {client_size[1]}", report)
        children = [[int(v) for v in line.split()[1:]] for line in report if line.startswith("child ")]
        self.assertEqual(len(children), 6, report)
        for _, left, top, right, bottom in children:
            self.assertTrue(0 <= left <= right <= client_size[0] and 0 <= top <= bottom <= client_size[1], report)
        ok = (168, 132, 254, 170)  # "O K": 1680, 1320, 855 x 375 twips in the client area
        self.assertIn(list(ok), [child[1:5] for child in children], report)
        s.click(client.x + (ok[0] + ok[2]) // 2, client.y + (ok[1] + ok[3]) // 2)
        s.wait_no_window("^About$")

        s.drag((300, 300), (500, 400))
        s.wait_for(lambda: tuple(clock.geometry()) == (200, 100, side, side), 10, "the clock dragged")
        s.wait_for(lambda: s.read_settings() == b"[MAIN]\r\nSIZE=0\r\nTOP=1500\r\nLEFT=3000\r\n", 10,
                   "the place saved")
        program.kill()
        s.wait_no_window("^Form1$")
        s.launch()
        clock = s.wait_window("^Form1$")
        s.wait_for(lambda: tuple(clock.geometry()) == (200, 100, 480, 480), 10, "the saved place at the next start")
