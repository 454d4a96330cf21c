"""A long run of the small clock, sped up: ten hours of ticks and blinks in a few minutes,
with the program's live GDI objects and its memory flat from the first hour to the last.

The statistics build (presets win32-stats and win64-stats) appends every ten seconds of its own time a line
to MarisoleClock.stats beside it:

    seconds=10 paints=27 pixels=254393 gdi=10 handles=0 workingset=26161152 private=0

libfaketime speeds up the wall clock and the monotonic clock the timers run on, for the
program and for the wineserver that fires its timers. Wine's own start-up (wineboot, its
services) waits on timeouts that would expire before the work is done at such a speed,
so each process runs at the real pace for its first seconds and only then speeds up.
"""

from __future__ import annotations

import os
import re
import time
from pathlib import Path

from harness import ClockTest, Session, labels, slow, wait_for
from harness.session import default_stats_exe
from harness.testcase import short_name

CLOCK = "^Form1$"
SPEED = 300  # ten hours of the program's time in two minutes
REAL_PACE_SECONDS = 15  # each process's first seconds at the real pace, while Wine starts
HOUR = 3600
HOURS = 10
BLINK_CHANCE = 1 / 20  # of a tick
WORKING_SET_SLACK = 512 * 1024  # bytes: page-granular noise, far below what a leak per tick adds


def read_stats(path: Path) -> list[dict[str, int]]:
    try:
        text = path.read_text()
    except FileNotFoundError:
        return []
    rows = []
    for line in text.splitlines():
        fields = dict(re.findall(r"(\w+)=(-?\d+)", line))
        if "seconds" in fields:
            rows.append({k: int(v) for k, v in fields.items()})
    return rows


def linux_side(pid: int) -> tuple[int, int]:
    """The process's resident memory (bytes) and open file descriptors as Linux sees them, but for
    the statistics file: at this speed the program opens it for a moment thirty times a second."""
    status = Path(f"/proc/{pid}/status").read_text()
    rss = int(re.search(r"VmRSS:\s+(\d+) kB", status).group(1)) * 1024
    fds = 0
    for fd in os.listdir(f"/proc/{pid}/fd"):
        try:
            fds += not os.readlink(f"/proc/{pid}/fd/{fd}").endswith("/MarisoleClock.stats")
        except FileNotFoundError:  # closed since the listing
            pass
    return rss, fds


class LongRun(ClockTest):
    @slow(timeout=600)
    @labels("reliability")
    def test_ten_hours_of_the_small_clock_leak_nothing(self):
        s = Session(short_name(self.id()), exe=default_stats_exe(), time="2026-01-01 00:00:00", speed=SPEED,
                    fake_monotonic=True, ini=b"[MAIN]\r\nSIZE=2\r\nTOP=1500\r\nLEFT=1500\r\n")
        s.faketime["FAKETIME_START_AFTER_SECONDS"] = str(REAL_PACE_SECONDS)
        self.addCleanup(s.close)
        s.start()
        started = time.monotonic()
        program = s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (100, 100, 237, 237))
        stats = s.folder / "MarisoleClock.stats"

        # Linux's view of the process, sampled along the way: (program seconds, rss, fds).
        samples: list[tuple[int, int, int]] = []

        def ten_hours_done():
            rows = read_stats(stats)
            if program.running and rows:
                samples.append((rows[-1]["seconds"], *linux_side(program.pid)))
            self.assertTrue(program.running, f"the program ended:\n{program.output()[-2000:]}")
            return rows if rows and rows[-1]["seconds"] >= HOURS * HOUR else None

        rows = wait_for(ten_hours_done, 480, f"{HOURS} hours of the program's time", interval=2)
        real = time.monotonic() - started
        s.screenshot("after ten hours", clock.geometry())  # never still: a second passes every 3 ms
        self.assertTrue(program.running)

        # One line every ten seconds of program time, none missed.
        self.assertEqual([r["seconds"] for r in rows], list(range(10, rows[-1]["seconds"] + 1, 10)))
        first = [r for r in rows if r["seconds"] <= HOUR]
        last = [r for r in rows if r["seconds"] > rows[-1]["seconds"] - HOUR]

        # Live GDI objects (the platform layer's count; Wine reports none of its own) and the
        # handle count Wine reports: the same in the last hour as in the first.
        for key in ("gdi", "handles"):
            self.assertEqual({r[key] for r in last}, {first[-1][key]}, f"{key} must stay flat: "
                             f"first hour {sorted({r[key] for r in first})}, last hour {sorted({r[key] for r in last})}")
        for key in ("workingset", "private"):
            growth = max(r[key] for r in last) - max(r[key] for r in first)
            self.assertLessEqual(growth, WORKING_SET_SLACK, f"{key} grew by {growth} bytes from the first hour to the last")

        # Linux's view agrees: resident memory and file descriptors flat too.
        early = [x for x in samples if x[0] <= HOUR]
        late = [x for x in samples if x[0] > rows[-1]["seconds"] - HOUR]
        self.assertTrue(early and late, f"too few samples of the process: {samples}")
        rss_growth = max(x[1] for x in late) - max(x[1] for x in early)
        self.assertLessEqual(rss_growth, WORKING_SET_SLACK, f"resident memory grew by {rss_growth} bytes")
        self.assertLessEqual(max(x[2] for x in late), max(x[2] for x in early), "file descriptors grew")

        # Blinks. Every tick either repaints nothing, the hands (once a program second) or
        # the blink picture as it comes or goes, so the paints beyond one a second are blinks
        # coming and going: half of them are blinks (fewer where a blink and a new second
        # share a tick, so this undercounts).
        span = rows[-1]["seconds"] - rows[0]["seconds"]
        blinks = (rows[-1]["paints"] - rows[0]["paints"] - span) // 2
        self.assertGreaterEqual(blinks, 200, f"too few blinks in {span} s: {rows[0]} ... {rows[-1]}")
        ticks_per_second = blinks / span / (BLINK_CHANCE * (1 - BLINK_CHANCE))
        summary = (f"{rows[-1]['seconds']} program seconds in {real:.0f} s ({rows[-1]['seconds'] / real:.0f}x); "
                   f"about {blinks} blinks, so about {ticks_per_second:.1f} of the 5 ticks a program second "
                   f"({ticks_per_second * SPEED:.0f} ticks a real second); gdi {last[-1]['gdi']}, "
                   f"working set {first[-1]['workingset']} -> {last[-1]['workingset']} bytes, "
                   f"Linux rss {early[-1][1]} -> {late[-1][1]} bytes, fds {early[-1][2]} -> {late[-1][2]}")
        (s.artifacts / "summary.txt").write_text(summary + "\n")
        print(summary)
