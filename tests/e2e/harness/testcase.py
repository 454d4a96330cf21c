"""unittest base class for end-to-end tests of the clock program."""

from __future__ import annotations

import os
import signal
import unittest
from typing import Callable

from .image import Colour, Image, Rect, close_to
from .session import Session
from .x11 import HarnessTimeout

DEFAULT_TIMEOUT = 120  # seconds a test may take before the harness stops it


def labels(*names: str) -> Callable:
    """Extra CTest labels for a test method, e.g. @labels("slow")."""
    def mark(fn):
        fn.ctest_labels = tuple(getattr(fn, "ctest_labels", ())) + names
        return fn
    return mark


def slow(fn=None, *, timeout: int = 900):
    """Marks a long test: CTest label "slow" and a longer time limit."""
    def mark(f):
        f.ctest_timeout = timeout
        return labels("slow")(f)
    return mark(fn) if fn is not None else mark


def timeout(seconds: int) -> Callable:
    """A time limit other than the default for one test method."""
    def mark(fn):
        fn.ctest_timeout = seconds
        return fn
    return mark


def short_name(test_id: str) -> str:
    """'test_startup.StartUp.test_second_copy' -> 'startup.second_copy'."""
    module, _, method = test_id.split(".")
    return f"{module.removeprefix('test_')}.{method.removeprefix('test_')}"


class Stopped(Exception):
    """The run was stopped from outside; an ordinary exception so that cleanups still run."""


def _interrupt(signum, frame):
    raise Stopped(f"stopped by signal {signum}")


class ClockTest(unittest.TestCase):
    """Gives each test isolated sessions, a time limit, and assertions about the screen."""

    def setUp(self) -> None:
        self._sessions = 0
        limit = int(os.environ.get("MARISOLE_E2E_TIMEOUT", "0") or 0)
        if limit > 0:
            # Raised inside the test, so that its cleanups still end every process it started.
            def expire(signum, frame):
                raise HarnessTimeout(f"test exceeded its time limit of {limit} s")
            previous = signal.signal(signal.SIGALRM, expire)
            signal.alarm(limit)
            self.addCleanup(signal.signal, signal.SIGALRM, previous)
            self.addCleanup(signal.alarm, 0)
        # CTest or a user stopping the run: unwind through the cleanups as well.
        previous_term = signal.signal(signal.SIGTERM, _interrupt)
        self.addCleanup(signal.signal, signal.SIGTERM, previous_term)

    def session(self, **options) -> Session:
        """Starts a session (see Session for the options) that ends when the test does."""
        self._sessions += 1
        name = short_name(self.id())
        if self._sessions > 1:
            name += f"-{self._sessions}"
        s = Session(name, **options)
        self.addCleanup(s.close)
        s.start()
        return s

    # -- assertions ---------------------------------------------------------
    def assertColour(self, actual: Colour, expected: Colour, tolerance: int = 0, msg: str = "") -> None:
        if not close_to(actual, expected, tolerance):
            self.fail(f"colour {actual} is not {expected} (tolerance {tolerance}) {msg}".rstrip())

    def assertCutAway(self, image: Image, points: list[tuple[int, int]], background: Colour, msg: str = "") -> None:
        """Each point of image shows the screen's background: the window is not drawn there."""
        wrong = [(p, image.pixel(*p)) for p in points if image.pixel(*p) != background]
        if wrong:
            self.fail(f"window drawn where it should be cut away: {wrong} {msg}".rstrip())

    def assertCovered(self, image: Image, points: list[tuple[int, int]], background: Colour, msg: str = "") -> None:
        """Each point of image shows the window, not the screen's background."""
        bare = [p for p in points if image.pixel(*p) == background]
        if bare:
            self.fail(f"window missing at {bare} {msg}".rstrip())

    def assertRectEqual(self, actual: Rect, expected: tuple[int, int, int, int], msg: str = "") -> None:
        self.assertEqual(tuple(actual), tuple(expected), msg or "window rectangle (x, y, width, height)")
