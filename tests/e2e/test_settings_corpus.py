"""Settings files a user, an editor or a failing disk can leave beside the program.

For every file of the corpus the real program starts, shows exactly one clock and
keeps running, and which clock it shows, whether it is always on top and where it
stands follow from the reading rules alone:

- the profile functions hand over the stored text of SIZE, TOP and LEFT in section
  MAIN ("0" when the file, the section or the key is missing), of which at most 63
  characters reach the program;
- the leading number of those characters (blanks, tabs and line feeds skipped
  wherever they stand, NUL or any other character ends it, no number gives 0);
- SIZE: nearest integer, a half to the even neighbour, saturated to 16 bits; above 1
  is the small clock, on top for exactly 3 (small) or 1 (large);
- TOP and LEFT: single precision, anything not finite as a single is 0; on the screen
  twips / 15 rounded the same way, within the window system's +/-30000 pixels;
- a clock whose dial (the hands' pivot) lies off the screen, its one monitor, moves the
  least distance that puts all of it on the screen.

Each case lists the stored texts as the profile functions return them (None: the key
is missing), and the expectation is computed from them by the rules above. The cases
run one after another in one session; between them the copy is ended by process id.
"""

from __future__ import annotations

import math
import random
import re
import struct
import time
from dataclasses import dataclass

from harness import ClockTest, Rect, labels, timeout, wait_for, wine

CLOCK = "^Form1$"
NOON = "2026-01-01 09:45:30"
SCREEN = (1024, 768)
TWIPS_PER_PIXEL = 15
COORDINATE_LIMIT = 30000  # pixels; the window layer keeps positions within this
LARGE, SMALL = 480, 237
PIVOT = {LARGE: (252, 380), SMALL: (116, 116)}  # the hands' pivot in the window, pixels
READ_CAPACITY = 63  # characters of a stored value that reach the program
FLOAT_MAX = struct.unpack("<f", b"\xff\xff\x7f\x7f")[0]


@dataclass(frozen=True)
class Case:
    name: str
    data: bytes | None  # the file's bytes; None: a directory stands where the file should be
    size: str | None = None
    top: str | None = None
    left: str | None = None


# -- the reading rules ------------------------------------------------------------
_NUMBER = re.compile(r"[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?")


def leading_number(text: str) -> float:
    text = re.sub(r"[ \t\n]", "", text.split("\0", 1)[0])
    match = _NUMBER.match(text)
    return float(match.group()) if match else 0.0  # float() gives inf beyond double


def read(stored: str | None) -> float:
    return leading_number("0" if stored is None else stored[:READ_CAPACITY])


def round_half_even(value: float) -> float:
    return float(round(value)) if math.isfinite(value) else value  # round() sends halves to even


def size_mode(stored: str | None) -> int:
    return int(max(-32768.0, min(32767.0, round_half_even(read(stored)))))


def single(value: float) -> float:
    if not math.isfinite(value) or abs(value) > FLOAT_MAX:
        return 0.0
    return struct.unpack("<f", struct.pack("<f", value))[0]


def pixels(stored: str | None) -> int:
    twips = single(read(stored))
    return int(max(-COORDINATE_LIMIT, min(COORDINATE_LIMIT, round_half_even(twips / TWIPS_PER_PIXEL))))


def expected(case: Case) -> tuple[Rect, bool]:
    """The clock's rectangle on the screen and whether it is always on top."""
    mode = size_mode(case.size)
    small = mode > 1
    side = SMALL if small else LARGE
    on_top = mode == (3 if small else 1)
    x, y = pixels(case.left), pixels(case.top)
    pivot_x, pivot_y = x + PIVOT[side][0], y + PIVOT[side][1]
    if not (0 <= pivot_x < SCREEN[0] and 0 <= pivot_y < SCREEN[1]):
        x, y = min(max(x, 0), SCREEN[0] - side), min(max(y, 0), SCREEN[1] - side)
    elif wine.WINE_NAME == "wine10":
        # Wine 10 maps the window where it stands, and the test desktop's window manager then
        # pulls a corner above or left of the screen onto it (Wine 8's windows it leaves there).
        x, y = max(x, 0), max(y, 0)
    return Rect(x, y, side, side), on_top


# -- the corpus -------------------------------------------------------------------
def ini(size: str | None = None, top: str | None = None, left: str | None = None, eol: str = "\r\n") -> str:
    lines = ["[MAIN]"] + [f"{k}={v}" for k, v in (("SIZE", size), ("TOP", top), ("LEFT", left)) if v is not None]
    return eol.join(lines) + eol


def garbage(seed: int, length: int) -> bytes:
    rnd = random.Random(seed)
    return bytes(rnd.randrange(256) for _ in range(length))


MIB = 1 << 20
PLAIN = ini("3", "1500", "3000")

FILES = [
    Case("empty file", b""),
    Case("byte-order mark only", b"\xff\xfe"),
    Case("binary garbage", garbage(6, 4096)),
    Case("garbage around a good section", garbage(7, 2048) + b"\r\n" + ini("2", "1500", "3000").encode()
         + garbage(8, 2048), "2", "1500", "3000"),
    Case("a value one mebibyte long", b"[MAIN]\r\nSIZE=" + b"7" * MIB + b"\r\nTOP=1500\r\n", "7" * MIB, "1500"),
    Case("a line of one mebibyte before the section", b"x" * MIB + b"\r\n" + ini("2", "3000", "4500").encode(),
         "2", "3000", "4500"),
    Case("a key name of one mebibyte", b"[MAIN]\r\n" + b"K" * MIB + b"=1\r\n" + ini("3", "750", "750").encode()[8:],
         "3", "750", "750"),
    Case("UTF-16 little-endian with byte-order mark", PLAIN.encode("utf-16"), "3", "1500", "3000"),
    Case("UTF-16 big-endian with byte-order mark", b"\xfe\xff" + ini("2", "1200", "2400").encode("utf-16-be"),
         "2", "1200", "2400"),
    Case("UTF-16 without byte-order mark", PLAIN.encode("utf-16-le")),
    Case("UTF-8 with byte-order mark", b"\xef\xbb\xbf" + ini("1", "900", "1800").encode(), "1", "900", "1800"),
    Case("LF line ends", ini("2", "4500", "6000", eol="\n").encode(), "2", "4500", "6000"),
    Case("CR line ends", ini("3", "6000", "4500", eol="\r").encode(), "3", "6000", "4500"),
    Case("CRLF without a final line end", ini("2", "2100", "2400").rstrip().encode(), "2", "2100", "2400"),
    Case("mixed line ends", b"[MAIN]\r\r\nSIZE=1\n\rTOP=1650\rLEFT=3300\n", "1", "1650", "3300"),
    Case("duplicated sections: the first one counts",
         b"[MAIN]\r\nSIZE=3\r\nLEFT=1500\r\n[MAIN]\r\nSIZE=0\r\nTOP=1500\r\n", "3", None, "1500"),
    Case("duplicated keys: the first one counts",
         b"[MAIN]\r\nSIZE=2\r\nSIZE=1\r\nTOP=1500\r\nTOP=4500\r\nLEFT=3000\r\nLEFT=9000\r\n", "2", "1500", "3000"),
    Case("lower-case names", b"[main]\r\nsize=1\r\ntop=2250\r\nLeft=1350\r\n", "1", "2250", "1350"),
    Case("blanks around names, = and values", b"[ MAIN ]\r\n  SIZE  =  3  \r\nTOP\t=\t1800\t\r\n LEFT = 2700 \r\n",
         "3", "1800", "2700"),
    Case("NUL inside values", b"[MAIN]\r\nSIZE=3\x009\r\nTOP=15\x0000\r\nLEFT=\x003000\r\n", "3", "15", ""),
    Case("NUL inside the section name", b"[MA\x00IN]\r\nSIZE=3\r\nTOP=1500\r\n"),
    Case("NUL inside a key name", b"[MAIN]\r\nSI\x00ZE=3\r\nTOP=3000\r\n", None, "3000"),
    Case("comments", b"; settings\r\n[MAIN]\r\n;SIZE=3\r\nTOP=1500 ; moved\r\n#LEFT=5\r\n", None, "1500 ; moved"),
    Case("keys before any section", b"SIZE=3\r\nTOP=1500\r\n[MAIN]\r\nLEFT=3000\r\n", None, None, "3000"),
    Case("twenty thousand other sections first",
         b"".join(b"[S%d]\r\nSIZE=1\r\n" % i for i in range(20000)) + ini("2", "900", "600").encode(),
         "2", "900", "600"),
    Case("text after the section header", b"[MAIN] old\r\nSIZE=3\r\nTOP=300\r\nLEFT=300\r\n", "3", "300", "300"),
    Case("section header without its bracket", b"[MAIN\r\nSIZE=3\r\nTOP=1500\r\n"),
    Case("a line feed inside a value", b"[MAIN]\r\nSIZE=\n3\r\nTOP=\n1500\r\n", "", ""),
    Case("blank values", b"[MAIN]\r\nSIZE=   \r\nTOP=\r\nLEFT=\t\r\n", "", "", ""),
    Case("quoted values", b"[MAIN]\r\nSIZE=\"3\"\r\nTOP='1500'\r\nLEFT=\"300000\"\r\n", "3", "1500", "300000"),
    # The profile functions count an end-of-file character (Ctrl+Z) among the blanks around a value.
    Case("end-of-file characters", b"[MAIN]\r\nSIZE=\x1a3\r\nTOP=15\x1a00\r\n\x1a\x1a", "3", "15\x1a00"),
    Case("full-width digits", "[MAIN]\r\nSIZE=３\r\nTOP=１５００\r\n".encode(), "３", "１５００"),
    Case("a directory where the file should be", None),
]


def value(name: str, size: str, top: str, left: str) -> Case:
    """A file holding the three values as they stand, which the clock must read by the rules."""
    return Case(name, ini(size, top, left).encode(), size, top, left)


VALUES = [
    value(f"SIZE {size}", size, "1500", "3000")
    for size in ("0.5", "1.5", "2.5", "3.5", "-0.5", "1.5e0", "03", "+1", "3rd", "-3", "32768")
] + [
    value("far outside every range", "99999", "99999", "-99999"),
    value("far outside, the other way", "-99999", "-1e9", "1e9"),
    value("NaN", "NaN", "nan", "-NaN"),
    value("Inf", "Inf", "-inf", "Infinity"),
    value("1e39, beyond single precision", "1e39", "1e39", "-1e39"),
    value("1e38 and 4e38", "-1e38", "1e38", "4e38"),
    value("minus zero", "-0", "-0", "-0.0"),
    value("hexadecimal-looking text", "0x3", "0x5DC", "&H5DC"),
    value("leading zeros", "2", "0750", "010"),
    value("exponents", "2e0", "1.5e3", ".5E4"),
    value("exponents without digits", "1e", "30e+", "45E-x"),
    value("values longer than five characters", "123456", "-12000", "300000"),
    Case("blanks and tabs inside numbers", b"[MAIN]\r\nSIZE=+ 3\r\nTOP=1 5 0 0\r\nLEFT=4\t500\r\n",
         "+ 3", "1 5 0 0", "4\t500"),
    value("signs without a number", "--1", "--5", "+-5"),
    value("words", "large", "12px", "1,500"),
    value("half pixels go to the even pixel", "1", "22.5", "37.5"),
    value("above and left of the screen", "3", "-1500", "-1650"),
    # Flush with the bottom right corner of the 1024x768 screen. (A clock that would stand only
    # partly on the screen is pulled back by the test desktop's window manager, so none is here.)
    value("in the screen's far corner", "0", "4320", "8160"),
]


# Files a drag saves into; each puts the whole clock on the screen, where it can be dragged.
SAVED_INTO = {
    "empty file", "binary garbage", "garbage around a good section", "a value one mebibyte long",
    "UTF-16 little-endian with byte-order mark", "UTF-16 big-endian with byte-order mark",
    "UTF-16 without byte-order mark", "CR line ends", "mixed line ends", "duplicated sections: the first one counts",
    "NUL inside values", "comments", "LF line ends", "a directory where the file should be",
}
DRAG = (45, 30)  # pixels: 675 and 450 twips


class SettingsCorpus(ClockTest):
    """Each file of the corpus, one after another, in one session."""

    def run_corpus(self, cases: list[Case]) -> None:
        s = self.session(time=NOON, screen=SCREEN)
        for case in cases:
            with self.subTest(case.name):
                self.check_case(s, case)

    def check_case(self, s, case: Case) -> None:
        place(s, case)
        rect, on_top = expected(case)
        program = s.launch()
        try:
            seen = settle(s, (rect, on_top))
            self.assertEqual(seen, (rect, on_top), f"clock (rectangle, always on top) for {case.name!r}")
            if Rect(0, 0, *SCREEN).contains(rect.x, rect.y) and rect.right <= SCREEN[0] and rect.bottom <= SCREEN[1]:
                self.assert_clock_drawn(s, case, rect)
            self.assertTrue(program.running, f"the program ended on {case.name!r}:\n{program.output()}")
            if case.data is None:
                self.assertTrue(s.settings_path.is_dir(), "the directory must be left alone")
            else:
                self.assertEqual(s.read_settings(), case.data, "start-up must not change the settings file")
        finally:
            end(s, program)
        self.assertNotRegex(program.output(), r"(?i)unhandled|page fault|exception",
                            f"the program reported a fault on {case.name!r}")

    def assert_clock_drawn(self, s, case: Case, rect: Rect) -> None:
        """The face is drawn inside the window and the outline cuts its top-left corner away."""
        centre = (rect.x + rect.width // 2, rect.y + rect.height // 2)

        def drawn():
            image = s.capture()
            return image if image.pixel(*centre) != s.background else None

        image = wait_for(drawn, 15, f"the clock face of {case.name!r} to be drawn")
        self.assertEqual(image.pixel(rect.x + 1, rect.y + 1), s.background,
                         f"the corner of the clock is not cut away for {case.name!r}")
        safe = re.sub(r"[^\w]+", "-", case.name).strip("-")
        image.crop(rect).save_png(str(s.artifacts / f"{safe}.png"))

    @labels("reliability", "corpus")
    @timeout(300)
    def test_odd_files_give_the_clock_of_the_reading_rules(self):
        self.run_corpus(FILES)

    @labels("reliability", "corpus")
    @timeout(300)
    def test_odd_values_give_the_clock_of_the_reading_rules(self):
        self.run_corpus(VALUES)

    @labels("reliability", "corpus")
    @timeout(300)
    def test_a_drag_saves_into_odd_files_and_the_next_start_reads_it(self):
        """The end of a drag writes the position into the file as it is (or fails, for the
        directory); the next start shows the same clock where the drag left it."""
        s = self.session(time=NOON, screen=SCREEN)
        for case in [c for c in FILES if c.name in SAVED_INTO]:
            with self.subTest(case.name):
                place(s, case)
                rect, on_top = expected(case)
                program = s.launch()
                try:
                    self.assertEqual(settle(s, (rect, on_top)), (rect, on_top), f"the clock for {case.name!r}")
                    grab = (rect.x + 60, rect.y + 60)
                    s.drag(grab, (grab[0] + DRAG[0], grab[1] + DRAG[1]))
                    moved = Rect(rect.x + DRAG[0], rect.y + DRAG[1], rect.width, rect.height)
                    self.assertEqual(settle(s, (moved, on_top)), (moved, on_top), "the clock after the drag")
                    if case.data is not None:
                        # TOP and LEFT are two writes, LEFT the second: wait until its value is there.
                        left = f"LEFT={moved.x * 15}"
                        wait_for(lambda: any(left.encode(code) in (s.read_settings() or b"")
                                             for code in ("utf-8", "utf-16-le", "utf-16-be")),
                                 30, f"{left} in the settings file")
                    self.assertTrue(program.running, f"the program ended on saving into {case.name!r}")
                finally:
                    end(s, program)
                if case.data is None:
                    self.assertTrue(s.settings_path.is_dir(), "the directory must be left alone")
                else:
                    safe = re.sub(r"[^\w]+", "-", case.name).strip("-")
                    (s.artifacts / f"saved-{safe}.ini").write_bytes(s.read_settings())
                again = moved if case.data is not None else rect
                program = s.launch()
                try:
                    self.assertEqual(settle(s, (again, on_top)), (again, on_top), "the clock at the next start")
                finally:
                    end(s, program)


def place(s, case: Case) -> None:
    """Puts the case's file (or directory) where the program looks for its settings."""
    if s.settings_path.is_dir():
        s.settings_path.rmdir()
    else:
        s.settings_path.unlink(missing_ok=True)
    if case.data is None:
        s.settings_path.mkdir()
    else:
        s.write_settings(case.data)


def end(s, program) -> None:
    program.kill()
    wait_for(lambda: not s.display.find(CLOCK, visible=False), 15, "the clock window to go")


def observe(s) -> tuple[Rect, bool] | None:
    """The one clock window's rectangle and always-on-top state, mapped or not (off the screen Wine
    does not map it); None while there is no clock, or more than one."""
    windows = s.display.find(CLOCK, visible=False)
    if len(windows) != 1:
        return None
    try:
        return windows[0].geometry(), windows[0].above
    except RuntimeError:
        return None  # gone while we looked


def settle(s, wanted, timeout_s: float = 20, quiet: float = 0.5):
    """Waits until the clock is as wanted and stays so for quiet seconds; returns what was last seen."""
    deadline = time.monotonic() + timeout_s
    seen, since = None, time.monotonic()
    while time.monotonic() < deadline:
        now_seen = observe(s)
        if now_seen != seen:
            seen, since = now_seen, time.monotonic()
        elif seen == wanted and time.monotonic() - since >= quiet:
            return seen
        time.sleep(0.1)
    return seen
