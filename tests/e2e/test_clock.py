"""The clocks tell the time: their hands read pixel by pixel, the small clock's blink, and both at 150%.

The hands are drawn with plain pens over the face picture, so a pixel on a hand's centre line is
exactly the hand's colour, and a pixel that no hand touches is exactly the picture's: the stored
96-dpi one at 100%, the one rendered for the scale at 150%. Each check below works out, for a
set of sample points, what must be there: the topmost hand that surely covers the point, or the
face; points on the edge of a pen, where rasterising may go either way, are left out.
"""

from __future__ import annotations

import math
import time
from dataclasses import dataclass

from harness import ClockTest, Colour, Image, Rect, labels
from harness.session import REPO

ARTWORK = REPO / "src" / "artwork" / "generated"
THREE = "2026-01-01 03:00:00"
QUARTER_TO_TEN = "2026-01-01 09:45:30"
AT_150_PERCENT = {r"HKCU\Control Panel\Desktop": {"LogPixels": 144}}

RED, BLACK = (255, 0, 0), (0, 0, 0)
PINK, LILAC = (255, 128, 128), (128, 128, 255)


@dataclass(frozen=True)
class Hand:
    name: str
    colour: Colour
    width: int  # pen width in pixels at 96 dpi


@dataclass(frozen=True)
class Dial:
    name: str
    face: str  # picture, without .bmp or -150.png
    size: int  # client area in twips (square)
    pivot: tuple[int, int]  # twips
    hands: tuple[Hand, Hand, Hand]  # top to bottom: second, minute, hour
    disc: tuple[int, int, int, int]  # left, top, width, height in twips
    disc_colour: Colour
    ini: bytes | None
    eye: tuple[int, int, int, int] | None = None  # blink overlay: left, top (twips), picture size (px)


LARGE = Dial("large", "LargeFace", 7200, (3775, 5700),
             (Hand("second", RED, 1), Hand("minute", BLACK, 3), Hand("hour", BLACK, 5)),
             (3720, 5640, 135, 135), RED, None)
SMALL = Dial("small", "SmallFace", 3555, (1740, 1740),
             (Hand("second", PINK, 1), Hand("minute", LILAC, 3), Hand("hour", LILAC, 5)),
             (1680, 1680, 135, 135), PINK, b"[MAIN]\r\nSIZE=2\r\nTOP=0\r\nLEFT=0\r\n", (1050, 1740, 99, 39))

# End points (twips) of the second, minute and hour hand.
END_POINTS = {
    (LARGE, THREE): ((3775, 4803), (3775, 4903), (4372, 5700)),
    (LARGE, QUARTER_TO_TEN): ((3775, 6597), (2978, 5700), (3223, 5472)),
    (SMALL, THREE): ((1740, 393), (1740, 693), (2487, 1740)),
    (SMALL, QUARTER_TO_TEN): ((1740, 3087), (693, 1740), (1050, 1454)),
}
OTHER_TIME = {THREE: QUARTER_TO_TEN, QUARTER_TO_TEN: THREE}


def distance_to_segment(p: tuple[float, float], a: tuple[float, float],
                        b: tuple[float, float]) -> tuple[float, bool]:
    """The distance from p to the segment ab, and whether p lies beside it (not beyond an end)."""
    (px, py), (ax, ay), (bx, by) = p, a, b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else ((px - ax) * dx + (py - ay) * dy) / length2
    beside = 0 < t < 1
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy)), beside


class Scene:
    """What a clock window must show at a time and a display scale, pixel by pixel."""

    def __init__(self, dial: Dial, when: str, twips_per_pixel: int = 15):
        self.dial = dial
        self.tpp = twips_per_pixel
        self.scale = 15 / twips_per_pixel
        self.face = self.picture(dial.face)
        self.blink = self.picture("Blink") if dial.eye else None
        self.pivot = self.to_pixels(dial.pivot)
        self.ends = [self.to_pixels(end) for end in END_POINTS[(dial, when)]]
        self.widths = [max(1, round(hand.width * self.scale)) for hand in dial.hands]
        left, top, width, height = dial.disc
        self.disc = Rect(self.px(left), self.px(top), self.px(left + width) - self.px(left),
                         self.px(top + height) - self.px(top))
        self.eye: Rect | None = None
        if dial.eye:
            x, y, w, h = dial.eye
            self.eye = Rect(self.px(x), self.px(y), round(w * self.scale), round(h * self.scale))

    def picture(self, name: str) -> Image:
        """The picture the program draws at this scale: the stored one, or the rendition for it."""
        if self.tpp == 15:
            return Image.load_bmp(str(ARTWORK / f"{name}.bmp"))
        return Image.decode((ARTWORK / f"{name}-{round(1500 / self.tpp)}.png").read_bytes())

    # Twips to pixels the way the program converts: nearest, a half to the even neighbour.
    def px(self, twips: float) -> int:
        return round(twips / self.tpp)

    def to_pixels(self, point: tuple[int, int]) -> tuple[int, int]:
        return self.px(point[0]), self.px(point[1])

    def expected(self, x: int, y: int) -> tuple[str, Colour | None] | None:
        """("second", colour) for a point a hand surely covers (the topmost one), ("face", None)
        for a point no hand reaches, None for a point on a pen's edge or on the disc."""
        d = self.disc
        if d.x - 2 <= x <= d.right + 1 and d.y - 2 <= y <= d.bottom + 1:
            return None
        for hand, end, width in zip(self.dial.hands, self.ends, self.widths):
            gap, beside = distance_to_segment((x, y), self.pivot, end)
            # Across a level or upright hand a pen of width w covers exactly w pixels; a slanted
            # one, and the round ends of any, are rasterised less predictably at their edges.
            level = end[0] == self.pivot[0] or end[1] == self.pivot[1]
            if gap <= ((width - 1) / 2 if level else max(0.0, width / 2 - 1)):
                return hand.name, hand.colour
            if gap < ((width + 1) / 2 if level and beside else width / 2 + 1.5):
                return None
        return "face", None

    def face_shows(self, image: Image, x: int, y: int) -> bool:
        """Whether the pixel is the face's (or, over the eyes, the blink picture's)."""
        actual = image.pixel(x, y)
        if self._picture_matches(self.face, actual, x, y):
            return True
        return bool(self.eye and self.eye.contains(x, y)
                    and self._picture_matches(self.blink, actual, x - self.eye.x, y - self.eye.y))

    def _picture_matches(self, picture: Image, actual: Colour, x: int, y: int) -> bool:
        return 0 <= x < picture.width and 0 <= y < picture.height and picture.pixel(x, y) == actual

    def along(self, end: tuple[int, int], start: float, stop: float) -> list[tuple[int, int]]:
        """Whole pixels on the line from the pivot towards end, from start to stop pixels out."""
        (x0, y0), (x1, y1) = self.pivot, end
        length = math.hypot(x1 - x0, y1 - y0)
        return [(round(x0 + (x1 - x0) * s / length), round(y0 + (y1 - y0) * s / length))
                for s in range(math.ceil(start), math.floor(stop + 1e-9) + 1)]

    def hand_points(self) -> list[tuple[int, int]]:
        """From just outside the disc to each hand's end point, on its centre line and a pixel to each side."""
        out = self.disc.width / 2 + 2
        points = []
        for end in self.ends:
            length = math.dist(self.pivot, end)
            across = ((self.pivot[1] - end[1]) / length, (end[0] - self.pivot[0]) / length)
            for p in self.along(end, out, length) + [end]:
                points.append(p)
                points += [(round(p[0] + side * across[0]), round(p[1] + side * across[1])) for side in (-1, 1)]
        return points

    def beyond_points(self) -> list[tuple[int, int]]:
        """A little past each hand's tip, where only the face may show."""
        points = []
        for end, width in zip(self.ends, self.widths):
            length = math.dist(self.pivot, end)
            points += self.along(end, length + width / 2 + 2, length + width / 2 + 8)
        return points


class Hands(ClockTest):
    def check_hands(self, scene: Scene, shot: Image, other: Scene) -> None:
        """Hand colours along the hands, the face past their tips and where the other time's hands would be."""
        wrong = []
        checked = {"hand": 0, "face": 0}
        samples: dict[tuple[int, int], str] = {}
        for where, points in (("on", scene.hand_points()), ("past", scene.beyond_points()),
                              ("elsewhere", other.hand_points())):
            for p in points:
                samples.setdefault(p, where)
        for (x, y), where in samples.items():
            want = scene.expected(x, y)
            if want is None:
                continue
            name, colour = want
            if colour is None:
                checked["face"] += 1
                if not scene.face_shows(shot, x, y):
                    wrong.append(f"({x},{y}) {where}: {shot.pixel(x, y)} where only the face may show")
            else:
                checked["hand"] += 1
                if shot.pixel(x, y) != colour:
                    wrong.append(f"({x},{y}) {where}: {shot.pixel(x, y)}, not the {name} hand's {colour}")
        if wrong:
            self.fail(f"{len(wrong)} of {sum(checked.values())} pixels wrong: " + "; ".join(wrong[:12]))
        # Enough pixels of each kind were checked for this to mean something.
        self.assertGreater(checked["hand"], 60)
        self.assertGreater(checked["face"], 30)
        # The disc sits on top, over the pivot, outlined in black.
        self.assertEqual(shot.pixel(*scene.pivot), scene.dial.disc_colour, "the disc over the pivot")
        self.assertEqual(shot.pixel(scene.disc.x, scene.disc.y + scene.disc.height // 2), BLACK,
                         "the disc's outline")

    def run_clock(self, dial: Dial, when: str, tpp: int = 15, **options):
        """Starts the clock at a frozen time (tpp 10: a display at 150%), screenshots it and checks
        its hands; returns the session, the window, the expected scene and the screenshot."""
        registry = AT_150_PERCENT if tpp == 10 else None
        s = self.session(time=when, ini=dial.ini, registry=registry, **options)
        s.launch()
        clock = s.wait_window("^Form1$")
        rect = clock.geometry()
        side = round(dial.size / tpp)
        self.assertRectEqual(rect, (0, 0, side, side))
        shot = s.screenshot(f"{dial.name} clock at {when[-8:]}", rect, still=True)
        scene = Scene(dial, when, tpp)
        self.check_hands(scene, shot, Scene(dial, OTHER_TIME[when], tpp))
        return s, clock, scene, shot

    def test_large_hands_at_three(self):
        self.run_clock(LARGE, THREE)

    @labels("short")
    def test_large_hands_at_quarter_to_ten(self):
        self.run_clock(LARGE, QUARTER_TO_TEN)

    def test_small_hands_at_quarter_to_ten(self):
        self.run_clock(SMALL, QUARTER_TO_TEN)

    def test_small_hands_at_three_and_blink(self):
        self.check_blink(tpp=15)

    def test_small_clock_blinks_only_in_the_eyes_at_150_percent(self):
        self.check_blink(tpp=10)

    def check_blink(self, tpp: int) -> None:
        # A small screen: each capture of it takes a few milliseconds, well inside one 200 ms tick.
        screen = (320, 240) if tpp == 15 else (400, 400)
        s, clock, scene, shot = self.run_clock(SMALL, THREE, tpp, screen=screen)
        rect, eye = clock.geometry(), scene.eye
        # The eye pixels that no hand or disc touches: the face's when open, the blink picture's when closed.
        probe = [(x, y) for y in range(eye.y, eye.bottom) for x in range(eye.x, eye.right)
                 if scene.expected(x, y) == ("face", None)]
        open_eyes = [scene.face.pixel(x, y) for x, y in probe]
        closed = [scene.blink.pixel(x - eye.x, y - eye.y) for x, y in probe]
        self.assertGreater(sum(a != b for a, b in zip(open_eyes, closed)), 300, "the blink picture differs")

        def outside_eye(image: Image) -> bytes:
            rows = []
            for y in range(image.height):
                row = image.data[y * image.width * 3:(y + 1) * image.width * 3]
                rows.append(row[:eye.x * 3] + row[eye.right * 3:] if eye.y <= y < eye.bottom else row)
            return b"".join(rows)

        still = outside_eye(shot)
        # About one tick in twenty shows the closed eyes: watch until they have closed and opened again.
        frames, blinked, last = 0, False, "open"
        deadline = time.monotonic() + 45
        while True:
            if time.monotonic() > deadline:
                self.fail(f"no complete blink in 45 s ({frames} frames, eyes {last} at the end)")
            frame = s.capture().crop(rect)
            frames += 1
            self.assertEqual(outside_eye(frame), still, "the face changed outside the eye rectangle")
            seen = [frame.pixel(x, y) for x, y in probe]
            state = "open" if seen == open_eyes else "closed" if seen == closed else "torn"
            if state != last:
                s.keep(f"eyes {state}", frame)
            self.assertNotEqual(state, "torn", "the eye rectangle shows neither the face nor the blink picture")
            last = state
            if state == "closed":
                blinked = True
            elif blinked:
                break

    def test_large_clock_at_150_percent(self):
        s, clock, scene, shot = self.run_clock(LARGE, QUARTER_TO_TEN, tpp=10)
        self.assertEqual(scene.pivot, (378, 570))  # (251.67, 380) at 1.5 times, not the window's middle
        # The rounded square of 720 pixels with 45-pixel corners.
        self.assertShapeOnFace(s, clock, scene, shot,
                               cut=[(0, 0), (3, 3), (716, 3), (3, 716), (716, 716), (719, 360)],
                               kept=[(360, 3), (3, 360), (715, 360), (360, 715), (30, 30), (689, 689)])

    def test_small_clock_at_150_percent(self):
        s, clock, scene, shot = self.run_clock(SMALL, QUARTER_TO_TEN, tpp=10)
        self.assertEqual(scene.pivot, (174, 174))
        # The circle of 350 pixels (233 at 1.5 times) on the face's ring: its corners and the strip
        # the face does not cover are cut away, points just inside the circle show the ring.
        self.assertShapeOnFace(s, clock, scene, shot,
                               cut=[(0, 0), (20, 20), (48, 48), (301, 48), (48, 301), (301, 301),
                                    (353, 175), (175, 353), (355, 355)],
                               kept=[(175, 3), (3, 175), (346, 175), (175, 346), (56, 56), (293, 293)])

    def assertShapeOnFace(self, s, clock, scene: Scene, shot: Image, cut, kept) -> None:
        self.assertCutAway(shot, cut, s.background)
        self.assertCovered(shot, kept, s.background)
        bad = [(p, shot.pixel(*p)) for p in kept if not scene.face_shows(shot, *p)]
        self.assertEqual(bad, [], "the face picture made for 150% must fill the shape to its edge")
        extents = clock.shape_extents()
        self.assertIsNotNone(extents, "the window has no shape")
        side = scene.face.width  # the picture made for 150%: 720, or 349.5 taken to the even 350
        self.assertLessEqual(abs(extents.width - side), 1, f"shape {extents} for a face of {side} pixels")
        self.assertLessEqual(abs(extents.height - side), 1, f"shape {extents} for a face of {side} pixels")
