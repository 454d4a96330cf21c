"""The X side of a test: windows, their geometry, shape and state, input and screenshots.

Everything goes through the standard X utilities (xdotool, xwininfo, xprop,
ImageMagick's import) run against one display.
"""

from __future__ import annotations

import re
import subprocess
import time
from typing import Callable, TypeVar

from .image import Image, Rect

T = TypeVar("T")


class HarnessTimeout(AssertionError):
    """A wait ran out of time. An AssertionError, so unittest reports a failure."""


# Checks that every wait makes while it polls (a session's watch for crashed Wine processes): any
# of them raising ends the wait.
watchers: list[Callable[[], None]] = []


def wait_for(predicate: Callable[[], T], timeout: float, what: str, interval: float = 0.1) -> T:
    """Polls predicate until it returns something truthy and returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        for watch in list(watchers):
            watch()
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessTimeout(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


class Display:
    """One X display (a test's own Xvfb) and the tools that talk to it."""

    def __init__(self, name: str, env: dict[str, str]):
        self.name = name
        self.env = dict(env, DISPLAY=name)

    def run(self, *argv: str, check: bool = True, timeout: float = 20) -> str:
        try:
            proc = subprocess.run(argv, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessTimeout(f"{' '.join(argv)} did not finish in {timeout:g} s") from None
        if check and proc.returncode != 0:
            raise RuntimeError(f"{' '.join(argv)} failed ({proc.returncode}): "
                               f"{proc.stderr.decode(errors='replace').strip()}")
        return proc.stdout.decode("utf-8", errors="replace")

    def ok(self, *argv: str) -> bool:
        """Whether the command succeeds against this display."""
        return subprocess.run(argv, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=20).returncode == 0

    # -- windows ------------------------------------------------------------
    def find(self, name: str | None = None, cls: str | None = None, visible: bool = True) -> list["Window"]:
        """Windows whose title (or WM_CLASS) matches the regular expression, in the server's stacking order."""
        argv = ["xdotool", "search"]
        if visible:
            argv.append("--onlyvisible")
        if name is not None:
            argv += ["--name", name]
        elif cls is not None:
            argv += ["--class", cls]
        else:
            argv += ["--name", ""]
        for _ in range(10):
            proc = subprocess.run(argv, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
            # xdotool gives up on the whole search when a window vanishes while it looks at it
            # (an X error on stderr); "nothing found" is a plain exit 1 with no message.
            if proc.returncode == 0 or not proc.stderr.strip():
                break
            time.sleep(0.05)
        return [Window(self, int(line)) for line in proc.stdout.decode().split() if line.isdigit()]

    def wait_window(self, name: str | None = None, cls: str | None = None, count: int = 1,
                    timeout: float = 30) -> "Window":
        """Waits until at least count visible windows match and returns the first."""
        label = f"{count} visible window(s) " + (f"named {name!r}" if name is not None else f"of class {cls!r}")
        found = wait_for(lambda: (lambda ws: ws if len(ws) >= count else None)(self.find(name, cls)),
                         timeout, label)
        window = found[0]
        window.wait_placed()
        return window

    def wait_no_window(self, name: str, timeout: float = 30) -> None:
        wait_for(lambda: not self.find(name), timeout, f"no visible window named {name!r}")

    def active_window(self) -> "Window | None":
        out = self.run("xdotool", "getactivewindow", check=False).strip()
        return Window(self, int(out)) if out.isdigit() else None

    def root_property(self, prop: str) -> str:
        return self.run("xprop", "-root", prop, check=False)

    # -- input (XTEST, as a user's devices would produce it) ----------------
    def pointer(self) -> tuple[int, int]:
        out = self.run("xdotool", "getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"])

    def _to(self, x: int, y: int) -> list[str]:
        # "mousemove --sync" waits for the pointer to move, which never comes
        # when it is already there (xdotool then stalls for 15 s).
        if self.pointer() == (x, y):
            return []
        return ["mousemove", "--sync", str(x), str(y)]

    def move(self, x: int, y: int) -> None:
        if step := self._to(x, y):
            self.run("xdotool", *step)

    def click(self, x: int, y: int, button: int = 1) -> None:
        self.run("xdotool", *self._to(x, y), "click", str(button))

    def press(self, x: int, y: int, button: int = 1) -> None:
        self.run("xdotool", *self._to(x, y), "mousedown", str(button))

    def release(self, x: int, y: int, button: int = 1) -> None:
        self.run("xdotool", *self._to(x, y), "mouseup", str(button))

    def drag(self, start: tuple[int, int], end: tuple[int, int], button: int = 1, steps: int = 10,
             pause: float = 0.03) -> None:
        """Presses at start, moves in steps to end and releases there."""
        (x0, y0), (x1, y1) = start, end
        self.press(x0, y0, button)
        for i in range(1, steps + 1):
            time.sleep(pause)
            self.move(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps))
        time.sleep(pause)
        self.release(x1, y1, button)

    def key(self, *keys: str, window: "Window | None" = None) -> None:
        """Types key names (xdotool syntax: Return, Escape, alt+F4) into window, or the focus."""
        if window is not None and not window.activate():
            raise HarnessTimeout(f"{window} did not become the active window; keys {keys} not sent")
        self.run("xdotool", "key", "--clearmodifiers", *keys)

    # -- pixels -------------------------------------------------------------
    def capture(self) -> Image:
        """The whole screen as it is now."""
        proc = subprocess.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"],
                              env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
        if proc.returncode != 0:
            raise RuntimeError(f"screenshot failed: {proc.stderr.decode(errors='replace').strip()}")
        return Image.from_ppm(proc.stdout)


_GEOMETRY = {
    "x": re.compile(r"Absolute upper-left X:\s+(-?\d+)"),
    "y": re.compile(r"Absolute upper-left Y:\s+(-?\d+)"),
    "width": re.compile(r"^\s*Width:\s+(\d+)", re.M),
    "height": re.compile(r"^\s*Height:\s+(\d+)", re.M),
    "map": re.compile(r"Map State:\s+(\w+)"),
}
_SHAPE = re.compile(r"Window shape extents:\s+(\d+)x(\d+)([+-]\d+)([+-]\d+)")


class Window:
    """A top-level X window (for a Wine program, one Win32 top-level window)."""

    def __init__(self, display: Display, wid: int):
        self.display = display
        self.id = wid

    def __repr__(self) -> str:
        return f"Window(0x{self.id:x})"

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Window) and other.id == self.id

    def __hash__(self) -> int:
        return hash(self.id)

    def _info(self, *flags: str) -> str:
        return self.display.run("xwininfo", *flags, "-id", str(self.id))

    @property
    def name(self) -> str:
        return self.display.run("xdotool", "getwindowname", str(self.id), check=False).rstrip("\n")

    def geometry(self) -> Rect:
        """Position on the screen and size of the window's client area, in pixels."""
        out = self._info()
        vals = {k: int(rx.search(out).group(1)) for k, rx in _GEOMETRY.items() if k != "map"}
        return Rect(vals["x"], vals["y"], vals["width"], vals["height"])

    def wait_placed(self, timeout: float = 10) -> Rect:
        """Waits until the window manager has framed the window and it stays where it is."""
        last: list[Rect] = []

        def settled():
            try:
                rect = self.frame_geometry()
            except RuntimeError:
                return None  # gone or not yet readable
            same = bool(last) and last[-1] == rect
            last[:] = [rect]
            return rect if same else None

        return wait_for(settled, timeout, f"{self} to stay in place", interval=0.1)

    def frame_geometry(self) -> Rect:
        """The window with the frame the window manager draws around it (title bar included)."""
        inner = self.geometry()
        m = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", self.prop("_NET_FRAME_EXTENTS"))
        if not m:
            return inner
        left, right, top, bottom = (int(v) for v in m.groups())
        return Rect(inner.x - left, inner.y - top, inner.width + left + right, inner.height + top + bottom)

    def is_viewable(self) -> bool:
        try:
            m = _GEOMETRY["map"].search(self._info())
        except RuntimeError:
            return False  # the window is gone
        return bool(m) and m.group(1) == "IsViewable"

    def shape_extents(self) -> Rect | None:
        """Extents of the window's bounding shape (relative to the window), or None when unshaped."""
        out = self._info("-shape")
        m = _SHAPE.search(out)
        if not m:
            return None
        return Rect(int(m.group(3)), int(m.group(4)), int(m.group(1)), int(m.group(2)))

    def prop(self, name: str) -> str:
        return self.display.run("xprop", "-id", str(self.id), name, check=False)

    def net_wm_state(self) -> set[str]:
        """The EWMH states of the window (e.g. {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR"})."""
        out = self.prop("_NET_WM_STATE")
        if "=" not in out:
            return set()
        return {a.strip() for a in out.split("=", 1)[1].split(",") if a.strip()}

    @property
    def above(self) -> bool:
        return "_NET_WM_STATE_ABOVE" in self.net_wm_state()

    @property
    def pid(self) -> int | None:
        m = re.search(r"=\s*(\d+)", self.prop("_NET_WM_PID"))
        return int(m.group(1)) if m else None

    def is_active(self) -> bool:
        return self.display.active_window() == self

    def activate(self, timeout: float = 5) -> bool:
        """Raises and focuses the window; returns whether it became the active window.

        Asks the window manager first (as a taskbar would); should it not oblige in time,
        raises the window and gives it the keyboard focus directly.
        """
        wid = str(self.id)
        self.display.run("xdotool", "windowactivate", wid, check=False)
        try:
            wait_for(self.is_active, timeout / 2, f"{self} to become active")
            return True
        except HarnessTimeout:
            pass
        self.display.run("xdotool", "windowraise", wid, "windowfocus", wid, check=False)
        try:
            wait_for(self.is_active, timeout / 2, f"{self} to become active")
            return True
        except HarnessTimeout:
            return False

    def capture(self) -> Image:
        """The screen area the window covers (what is shown there, shape included)."""
        return self.display.capture().crop(self.geometry())
