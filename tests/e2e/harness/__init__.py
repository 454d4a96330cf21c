"""End-to-end harness for the clock program: the Windows build under wine64 on a private Xvfb display.

Tests subclass ClockTest and call self.session(...) to get a running desktop;
see tests/e2e/README.md.
"""

from .image import Colour, Image, Rect, close_to
from .session import BACKGROUND, Program, Session
from .testcase import ClockTest, labels, slow, timeout
from .x11 import Display, HarnessTimeout, Window, wait_for

__all__ = ["BACKGROUND", "ClockTest", "Colour", "Display", "HarnessTimeout", "Image", "Program", "Rect",
           "Session", "Window", "close_to", "labels", "slow", "timeout", "wait_for"]
