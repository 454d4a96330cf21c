"""A test session: its own X display, window manager, Wine prefix and program folder.

    with Session("demo", ini=b"[MAIN]\\r\\nSIZE=3\\r\\n") as s:
        clock = s.launch()
        w = s.wait_window("Form1")
        s.screenshot("small clock")

Everything a session starts is ended by close() (also on failure), by
process id: Xvfb and openbox are its children, the Wine processes are those
of its private prefix, ended through that prefix's wineserver.
"""

from __future__ import annotations

import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

from . import wine, x11
from .image import Colour, Image, Rect
from .x11 import Display, HarnessTimeout, Window, wait_for

REPO = Path(__file__).resolve().parents[3]
SETTINGS_NAME = "Vo_Clock.ini"
OWNER_FILE = ".owner-pid"
# The screen's colour outside every window: a colour the clock's pictures do not use,
# so that a pixel of it inside a window's rectangle shows where the window is cut away.
BACKGROUND = "#ff00ff"
# The display of a desk of several monitors: the dummy video driver, a frame buffer as large as
# the desk (its outputs are placed with xrandr), no input devices (input comes through XTEST).
XORG_CONFIG = """\
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 262144
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual {width} {height}
  EndSubSection
EndSection
"""


# What a Wine process prints when it crashes (an exception nothing handled, in any program) or
# fails on its own ("wine: could not load ...", "wine: failed to ..."); not its notes on a prefix
# it made or updated.
# Not crashes: Wine making a prefix, and starting a program whose folder's path is too long for
# a Windows working directory in the Windows folder instead.
WINE_CRASH = re.compile(r"Unhandled|^wine: (?!created the configuration|configuration in |could not open working directory)")


class WineCrash(AssertionError):
    """A Wine process of the session crashed: the test fails at once, not when it times out."""


def default_exe() -> Path:
    """The program under test: the one CTest names, else the build of the harness's architecture."""
    return Path(os.environ.get("MARISOLE_CLOCK_EXE", REPO / "build" / wine.ARCH / "MarisoleClock.exe"))


def default_stats_exe() -> Path:
    """The statistics build (counts paints and live GDI objects) of the same architecture."""
    return Path(os.environ.get("MARISOLE_CLOCK_STATS_EXE", REPO / "build" / f"{wine.ARCH}-stats" / "MarisoleClock.exe"))


def work_root() -> Path:
    """Template prefix, sessions and artifacts: one folder per architecture."""
    return Path(os.environ.get("MARISOLE_E2E_DIR", REPO / "build" / "e2e" / wine.ARCH))


def _die_with_parent() -> None:
    """Runs in a child before exec: the child gets SIGKILL if the harness dies unexpectedly."""
    try:
        ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


def _command(pid: int) -> str:
    try:
        return Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[0].decode(errors="replace").lower()
    except OSError:
        return ""


def processes_marked(marker: bytes) -> list[int]:
    """The processes whose environment holds the line marker."""
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if marker in Path(f"/proc/{entry}/environ").read_bytes().split(b"\0"):
                    found.append(int(entry))
            except OSError:
                continue
    return found


class Program:
    """One started copy of the Windows program.

    Its process is the one the harness started, except where that hands the program to a new
    process and waits for it (start.exe in WoW64 mode, the emulated 32-bit loader, a starter
    tool): each copy carries a mark in its environment (MARISOLE_COPY) by which that process is
    found.
    """

    def __init__(self, popen: subprocess.Popen, log: Path, marker: str, name: str, starter: str = ""):
        self.popen = popen
        self.log = log
        self.marker = f"MARISOLE_COPY={marker}".encode()
        self.name = name.encode()
        # A starter tool names the program on its command line too, but is not it.
        self.starter = starter.encode()
        self.loader_checked = False

    def copies(self) -> list[int]:
        """The processes of this copy that run the program (not those it started, which inherit
        the mark)."""
        found = []
        for pid in processes_marked(self.marker):
            try:
                command = Path(f"/proc/{pid}/cmdline").read_bytes()
                if self.name in command and not (self.starter and self.starter in command):
                    found.append(pid)
            except OSError:
                continue
        return found

    @property
    def pid(self) -> int:
        """The process that runs the program."""
        if self.running:
            others = [pid for pid in self.copies() if pid != self.popen.pid]
            if others:
                return max(others)
        return self.popen.pid

    @property
    def running(self) -> bool:
        return self.popen.poll() is None

    def wait(self, timeout: float = 30) -> int:
        """Waits for the program to end and returns its exit code."""
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise HarnessTimeout(f"program {self.pid} still running after {timeout:g} s") from None

    def output(self) -> str:
        return self.log.read_text(errors="replace") if self.log.exists() else ""

    def kill(self, timeout: float = 10) -> int:
        """Ends this copy at once, by process id, as a crash or a power cut would; returns its exit status.

        Its windows go with its X connection and its Wine objects (the single-instance mutex
        included) with its last handle, so the next copy of the session starts afresh.
        """
        if self.running:
            for pid in {self.popen.pid, *self.copies()}:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        return self.wait(timeout)


class Session:
    """An isolated desktop with the clock program ready to start.

    screen      (width, height) of the virtual display in pixels
    ini         bytes of Vo_Clock.ini placed beside the program, or None for no file
    folder      name of the program folder (any characters, Japanese and spaces included)
    drive       a drive letter ("D") whose root is the program folder; the program is then
                started as D:\\MarisoleClock.exe
    registry    values written to the prefix before the first start,
                e.g. {r"HKCU\\Control Panel\\Desktop": {"LogPixels": 144}}
    time        wall-clock time the program reads ("2026-01-01 09:45:30"); frozen unless speed is
                given, None for the real time. Fixed for the session: Wine's server process keeps the
                first setting
    speed       with time: the clock runs this many times faster
    fake_monotonic  with speed: timers run faster too
    background  colour of the screen outside every window (read back into .background)
    work_area   (x, y, width, height) of the screen left free by panels, as the window manager
                tells it (_NET_WORKAREA); Wine reads it as the session boots
    monitors    a desk of several monitors: (name, width, height, x, y) each, in X root pixels,
                the primary's name starting with "*"; the screen is then their bounding box. The
                display is then an Xorg server with the dummy video driver, each monitor one of
                its RandR outputs, which every Wine reads the same way; Wine puts the primary's
                top-left corner at (0, 0), so Windows x = X x - primary x, likewise y
    """

    def __init__(self, name: str = "session", *, exe: Path | str | None = None,
                 screen: tuple[int, int] = (1024, 768), ini: bytes | None = None,
                 folder: str = "Marisole 時計", drive: str | None = None,
                 registry: dict[str, dict[str, int | str]] | None = None,
                 time: str | None = None, speed: float | None = None, fake_monotonic: bool = False,
                 background: str = BACKGROUND, artifacts: Path | str | None = None,
                 monitors: list[tuple[str, int, int, int, int]] | None = None,
                 work_area: tuple[int, int, int, int] | None = None):
        self.name = re.sub(r"[^\w.-]+", "_", name)
        self.exe = Path(exe) if exe else default_exe()
        self.monitors = monitors or []
        self.work_area = work_area
        if self.monitors:
            screen = (max(x + w for _, w, _, x, _ in self.monitors), max(y + h for _, _, h, _, y in self.monitors))
            if sum(name.startswith("*") for name, *_ in self.monitors) != 1:
                raise ValueError(f"monitors: exactly one name must start with '*' (the primary): {self.monitors}")
        self.screen = screen
        self.ini = ini
        self.folder_name = folder
        self.drive = drive
        self.registry = registry or {}
        self._tool_runs = 0
        self.faketime = wine.faketime_env(time, speed, fake_monotonic)
        self.background_colour = background
        self.artifacts = Path(artifacts) if artifacts else work_root() / "artifacts" / self.name
        self.dir: Path | None = None
        self.prefix: Path | None = None
        self.folder: Path | None = None
        self.display: Display | None = None
        self.background: Colour | None = None
        self.programs: list[Program] = []
        self._children: list[subprocess.Popen] = []
        self._shots = 0
        self._env: dict[str, str] = {}
        self._program_env: dict[str, str] = {}
        self._wine_logs: list[Path] = []
        self._log_offsets: dict[Path, int] = {}

    # -- life cycle ---------------------------------------------------------
    def __enter__(self) -> "Session":
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def start(self) -> "Session":
        if not self.exe.is_file():
            raise AssertionError(f"the Windows program is missing: {self.exe} (build the {wine.ARCH} preset first)")
        root = work_root()
        wine.share(root)
        template = wine.ensure_template(root / "wineprefix-template")
        if self.artifacts.exists():
            shutil.rmtree(self.artifacts)
        self.artifacts.mkdir(parents=True)
        (root / "sessions").mkdir(parents=True, exist_ok=True)
        _sweep_stale(root / "sessions")
        self.dir = Path(tempfile.mkdtemp(prefix=self.name + "-", dir=root / "sessions"))
        (self.dir / OWNER_FILE).write_text(str(os.getpid()))
        self.prefix = wine.copy_prefix(template, self.dir / "prefix")
        self.folder = self.dir / self.folder_name
        self.folder.mkdir(parents=True)
        shutil.copy2(self.exe, self.folder / self.exe.name)
        if self.ini is not None:
            self.write_settings(self.ini)
        if self.drive:
            letter = self.drive.rstrip(":").lower()
            link = self.prefix / "dosdevices" / f"{letter}:"
            link.unlink(missing_ok=True)
            link.symlink_to(self.folder)
        if self.registry:
            self._apply_registry()
        self._start_x()
        faketime = dict(self.faketime)
        # Wine's own processes run on the real clock; the frozen or fast one reaches the program
        # alone (launch), so that nothing of Wine's times itself against a clock that stands still.
        self._env = wine.base_env({"WINEPREFIX": str(self.prefix), "DISPLAY": self.display.name})
        self._program_env = {**self._env, **faketime}
        x11.watchers.append(self.check_crashes)
        self._start_wineserver()
        self._boot()
        return self

    def _start_wineserver(self) -> None:
        # Started here rather than by the first program: copies started at the same moment
        # then all find one server, instead of racing to create it. It lives until close() or
        # until the harness dies (SIGKILL then, which ends every Wine process of the prefix
        # with it). Its timers fire the program's: with a fast monotonic clock it must run on
        # that clock too.
        env = {**self._env, **self.faketime} if "FAKETIME_DONT_FAKE_MONOTONIC" not in self.faketime else self._env
        self._spawn([wine.WINESERVER, "-f", "-p"], self.artifacts / "wineserver.log", env, wine_process=True)
        wait_for(lambda: wine.server_socket(self.prefix), 30, "the wineserver to listen")

    def _boot(self) -> None:
        """Starts the prefix's session (wineboot, the services, the desktop's explorer) on the real
        clock, before any program, and keeps it (tools/KeepDesktop.cpp): a copy of the program
        would start it in the program's environment otherwise."""
        self.launch_tool("KeepDesktop.exe", cwd=self.dir)  # not in the program's folder: a test may unmount it
        wait_for(lambda: any(env.get("WINEPREFIX") and "explorer" in _command(pid)
                             for pid, env in self.processes().items()), 120, "the session to boot")

    def processes(self) -> dict[int, dict[str, str]]:
        """Every running process of the session's prefix (the server, Wine's services, the
        programs), each with its environment."""
        found = {}
        for pid in processes_marked(f"WINEPREFIX={self.prefix}".encode()):
            try:
                items = Path(f"/proc/{pid}/environ").read_bytes().split(b"\0")
            except OSError:
                continue
            found[pid] = dict(item.decode(errors="replace").partition("=")[::2] for item in items if item)
        return found

    def check_crashes(self) -> None:
        """Fails the test at once when a Wine process of the session reported a crash or an error
        of its own (whatever program it is in), with the lines it printed."""
        lines = []
        for log in list(self._wine_logs):
            try:
                with open(log, "rb") as f:
                    f.seek(self._log_offsets.get(log, 0))
                    text = f.read()
            except OSError:
                continue
            self._log_offsets[log] = self._log_offsets.get(log, 0) + len(text)
            lines += [f"{log.name}: {line}" for line in text.decode(errors="replace").splitlines()
                      if WINE_CRASH.search(line)]
        if lines:
            raise WineCrash("a Wine process of the session crashed:\n" + "\n".join(lines[:20]))

    def _spawn(self, argv: list[str], log: Path, env: dict[str, str], die_with_harness: bool = True,
               wine_process: bool = False, cwd: Path | None = None, **kw) -> subprocess.Popen:
        """Starts a child with its output in log; a Wine process of the run's Wine (chrooted for Wine 10)
        when wine_process is set."""
        if wine_process:
            options = wine.spawn_options(cwd, die_with_parent=die_with_harness)
            self._wine_logs.append(log)
        else:
            options = {"cwd": cwd, "preexec_fn": _die_with_parent if die_with_harness else None}
        with open(log, "ab") as out:
            proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                    **options, **kw)
        self._children.append(proc)
        return proc

    def _start_x(self) -> None:
        width, height = self.screen
        if self.monitors:
            # An Xorg server whose dummy video driver has real RandR outputs, one a monitor.
            (self.dir / "xorg.conf.d").mkdir()
            config = self.dir / "xorg.conf"
            config.write_text(XORG_CONFIG.format(width=width, height=height))
            # As a user, the server itself: Debian's Xorg wrapper lets console users alone start it.
            xorg = "/usr/lib/xorg/Xorg" if os.geteuid() != 0 and os.path.exists("/usr/lib/xorg/Xorg") else "Xorg"
            argv = [xorg, "-config", str(config), "-configdir", str(self.dir / "xorg.conf.d"),
                    "-logfile", str(self.artifacts / "xorg.log"), "-nolisten", "tcp", "-noreset",
                    "-novtswitch", "-sharevts"]
            log = self.artifacts / "xorg.out"
        else:
            argv = ["Xvfb", "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp", "-noreset"]
            log = self.artifacts / "xvfb.log"
        read_end, write_end = os.pipe()
        try:
            server = self._spawn([argv[0], "-displayfd", str(write_end), *argv[1:]], log,
                                 dict(os.environ), pass_fds=(write_end,))
            os.close(write_end)
            write_end = -1
            # The server writes the number and the newline separately and dies if the pipe is
            # closed in between, so read up to the newline.
            number = ""
            deadline = time.monotonic() + 30
            while not number.endswith("\n") and time.monotonic() < deadline:
                ready, _, _ = select.select([read_end], [], [], max(deadline - time.monotonic(), 0))
                chunk = os.read(read_end, 32).decode() if ready else ""
                if not chunk:
                    break
                number += chunk
            number = number.strip()
        finally:
            os.close(read_end)
            if write_end >= 0:
                os.close(write_end)
        if not number.isdigit():
            raise RuntimeError(f"{argv[0]} did not start (exit {server.poll()}); see {log}")
        env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "LD_PRELOAD", "FAKETIME"))}
        xdg = self.dir / "xdg"
        env.update(XDG_CONFIG_HOME=str(xdg / "config"), XDG_CACHE_HOME=str(xdg / "cache"),
                   XDG_DATA_HOME=str(xdg / "data"))
        self.display = Display(f":{number}", env)
        # The server names its display before it takes connections; wait until a client gets in.
        wait_for(lambda: self.display.ok("xprop", "-root", "WM_NAME"), 20, f"{argv[0]} on {self.display.name}")
        if self.monitors:
            self._place_outputs()
        # Paint the screen in the background colour, then read it back as it is stored.
        subprocess.run(["display", "-window", "root", "-size", "8x8", f"xc:{self.background_colour}"],
                       env=self.display.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)
        self.background = self.display.capture().pixel(0, 0)
        self._spawn(["openbox", "--sm-disable"], self.artifacts / "openbox.log", self.display.env)
        wait_for(lambda: "window id" in self.display.root_property("_NET_SUPPORTING_WM_CHECK"), 20,
                 "openbox to manage the display")
        if self.work_area:
            self.display.run("xprop", "-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA",
                             ", ".join(map(str, self.work_area)))

    def _place_outputs(self) -> None:
        """Gives each monitor one output of the dummy driver (DUMMY0 the primary), at its size and place."""
        ordered = sorted(self.monitors, key=lambda m: not m[0].startswith("*"))
        arrange = []
        for index, (name, w, h, x, y) in enumerate(ordered):
            output, mode = f"DUMMY{index}", f"{w}x{h}"
            if not self.display.ok("xrandr", "--addmode", output, mode):
                # Not among the driver's modes: make one with standard timings (cvt, of package xcvt).
                timings = self.display.run("cvt", str(w), str(h)).split("Modeline", 1)[1].split()[1:]
                self.display.run("xrandr", "--newmode", mode, *timings)
                self.display.run("xrandr", "--addmode", output, mode)
            arrange += ["--output", output, "--mode", mode, "--pos", f"{x}x{y}"]
            if name.startswith("*"):
                arrange.append("--primary")
        self.display.run("xrandr", *arrange)
        wanted = sorted((w, h, x, y) for _, w, h, x, y in self.monitors)

        def placed():
            listing = self.display.run("xrandr", "--listmonitors")
            found = sorted(tuple(int(v) for v in m) for m in
                           re.findall(r"(\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+)", listing))
            return found == wanted and f"{self.screen[0]} x {self.screen[1]}" in self.display.run("xrandr", "-q")

        wait_for(placed, 10, f"the monitors {self.monitors} on {self.display.name}")
        (self.artifacts / "xrandr.txt").write_text(self.display.run("xrandr", "--verbose"))

    def _apply_registry(self) -> None:
        # Without a display: reg.exe is quick then (with one it takes over ten seconds), and the
        # server it starts is ended before the session's own server comes up.
        env = wine.base_env({"WINEPREFIX": str(self.prefix)})
        try:
            output = wine.import_registry(self.registry, self.dir, env)
        finally:
            wine.kill_server(self.prefix, env)
        (self.artifacts / "registry.log").write_text(output)

    def close(self) -> None:
        """Ends everything the session started and removes its prefix and folder; keeps the artifacts."""
        if self.check_crashes in x11.watchers:
            x11.watchers.remove(self.check_crashes)
        if self.prefix is not None and self.prefix.exists():
            wine.kill_server(self.prefix, self._env or wine.base_env({}))
        for program in self.programs:
            _end(program.popen)
        for child in reversed(self._children):
            _end(child)
        self._children.clear()
        left = self._outlived()
        if self.folder is not None and self.folder.exists():
            settings = self.folder / SETTINGS_NAME
            if settings.is_file():
                shutil.copy2(settings, self.artifacts / ("final-" + SETTINGS_NAME))
        if self.prefix is not None:
            wine.remove_prefix(self.prefix)
            self.prefix = None
        if self.dir is not None:
            shutil.rmtree(self.dir, ignore_errors=True)
            self.dir = None
        if left:
            raise AssertionError(f"processes of the session outlived it (now killed): {left}")

    def _outlived(self) -> dict[int, str]:
        """Processes of the prefix still alive a few seconds after their server ended; killed."""
        if self.prefix is None:
            return {}
        deadline = time.monotonic() + 5
        while (left := self.processes()) and time.monotonic() < deadline:
            time.sleep(0.1)
        named = {pid: _command(pid) for pid in left}
        for pid in left:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        return named

    # -- the program --------------------------------------------------------
    @property
    def windows_path(self) -> str:
        """The program's path as the program itself sees it."""
        if self.drive:
            return f"{self.drive.rstrip(':').upper()}:\\{self.exe.name}"
        return str(self.folder / self.exe.name)

    def launch(self) -> Program:
        """Starts one copy of the program from its folder."""
        return self.launch_with({})

    def launch_many(self, count: int) -> list[Program]:
        """Starts count copies at the same moment (back to back, without waiting for any)."""
        return [self.launch() for _ in range(count)]

    def launch_with(self, env: dict[str, str]) -> Program:
        """Starts one copy of the program from its folder, with more environment variables for it
        alone (e.g. {"WINEDEBUG": "+relay"}); the session's wineserver keeps its own."""
        index = len(self.programs) + 1
        log = self.artifacts / f"program-{index}.log"
        marker = f"{self.dir.name}-{index}"
        loader, command, starter = wine.WINE, [self.windows_path], ""
        if len(self.windows_path) >= 260 and wine.LOADER == "wow64":
            # Wine's WoW64 mode starts a 32-bit program through start.exe and CreateProcessW,
            # which refuse a path of MAX_PATH or more (path not found; invalid name with "\\?\"):
            # such a folder's program gets the classic 32-bit loader, which takes any path.
            loader = wine.CLASSIC_LOADER
        elif len(self.windows_path) >= 260 and wine.emulated():
            # qemu puts the 32-bit loader at 0x400000, the program's own base, so Wine starts
            # every program through start.exe, which refuses such a path: a starter tool hands
            # the path whole to the system's native process call instead.
            starter = "LongPathStart.exe"
            command = [str(self._tool(starter)), "Z:" + self.windows_path.replace("/", "\\")]
        popen = self._spawn([loader, *command], log,
                            {**self._program_env, "MARISOLE_COPY": marker, **env}, cwd=self.folder,
                            start_new_session=True, wine_process=True)
        self._children.remove(popen)  # ended through the wineserver, then by close()
        program = Program(popen, log, marker, self.exe.name, starter)
        program.loader_checked = loader != wine.WINE  # not the run's own loader
        self.programs.append(program)
        return program

    def launch_tool(self, name: str, *args: str, cwd: Path | None = None) -> Program:
        """Starts a test helper built beside the program under test (tests/e2e/tools: ScaleProbe.exe,
        HoldFile.exe, of the same architecture) in the session's prefix, in the program's folder,
        as another program of the user's; ended by close()."""
        self._tool_runs += 1
        log = self.artifacts / f"{Path(name).stem}-{self._tool_runs}.log"
        marker = f"{self.dir.name}-{name}-{self._tool_runs}"
        popen = self._spawn([wine.WINE, str(self._tool(name)), *args], log, {**self._env, "MARISOLE_COPY": marker},
                            cwd=cwd or self.folder, wine_process=True)
        return Program(popen, log, marker, name)

    def _tool(self, name: str) -> Path:
        """The test helper, copied beside the session's prefix (not into the program's folder,
        which the tests look at)."""
        tool = self.exe.with_name(name)
        if not tool.is_file():
            raise AssertionError(f"the test helper is missing: {tool} (build the {wine.ARCH} preset first)")
        tools = self.dir / "tools"
        tools.mkdir(exist_ok=True)
        shutil.copy2(tool, tools / name)
        return tools / name

    def run_tool(self, name: str, *args: str, timeout: float = 30) -> str:
        """Runs a test helper (see launch_tool) to its end and returns what it printed. A helper that
        fails fails the test."""
        program = self.launch_tool(name, *args)
        popen, log = program.popen, program.log
        try:
            code = popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise HarnessTimeout(f"{name} {' '.join(args)} still running after {timeout:g} s") from None
        output = log.read_text(errors="replace")
        if code != 0:
            raise AssertionError(f"{name} {' '.join(args)} failed with {code}: {output}")
        return output

    # -- settings file ------------------------------------------------------
    @property
    def settings_path(self) -> Path:
        return self.folder / SETTINGS_NAME

    def write_settings(self, data: bytes) -> None:
        self.settings_path.write_bytes(data)

    def read_settings(self) -> bytes | None:
        """The settings file's bytes, or None when there is none."""
        try:
            return self.settings_path.read_bytes()
        except FileNotFoundError:
            return None

    # -- windows, input and pixels (see x11.Display) -------------------------
    def windows(self, name: str = "^Form1$") -> list[Window]:
        return self.display.find(name)

    def wait_window(self, name: str = "^Form1$", count: int = 1, timeout: float = 30) -> Window:
        window = self.display.wait_window(name, count=count, timeout=timeout)
        # A program that shows a window is up: check how its Wine runs it (wine.check_loader).
        for program in self.programs:
            if program.running and not program.loader_checked:
                wine.check_loader(program.pid)
                program.loader_checked = True
        return window

    def wait_no_window(self, name: str, timeout: float = 30) -> None:
        self.display.wait_no_window(name, timeout)

    def wait_for(self, predicate, timeout: float = 30, what: str = "a condition"):
        return wait_for(predicate, timeout, what)

    def dismiss(self, window: Window, key: str = "Return", timeout: float = 15) -> None:
        """Focuses window (a message box, say), presses key and waits until the window is gone."""
        attempts = 3  # a key sent while the window manager is still focusing the window can be lost
        for attempt in range(attempts):
            if not window.is_viewable():
                return
            try:
                self.display.key(key, window=window)
                wait_for(lambda: not window.is_viewable(), timeout / attempts, f"{window} to close on {key}")
                return
            except HarnessTimeout:
                if not window.is_viewable():
                    return
                if attempt == attempts - 1:
                    raise

    def click(self, x: int, y: int, button: int = 1) -> None:
        self.display.click(x, y, button)

    def drag(self, start: tuple[int, int], end: tuple[int, int], button: int = 1, steps: int = 10) -> None:
        self.display.drag(start, end, button, steps)

    def key(self, *keys: str, window: Window | None = None) -> None:
        self.display.key(*keys, window=window)

    def capture(self) -> Image:
        return self.display.capture()

    def screenshot(self, label: str, rect: Rect | None = None, still: bool = False) -> Image:
        """Captures the screen (or rect of it), keeps it as a numbered PNG and returns it.

        With still, waits first until that part of the screen has stopped changing.
        """
        if still:
            image = self.wait_still(rect or Rect(0, 0, *self.screen))
        else:
            image = self.display.capture()
            if rect is not None:
                image = image.crop(rect)
        self._shots += 1
        safe = re.sub(r"[^\w.-]+", "-", label).strip("-") or "shot"
        image.save_png(str(self.artifacts / f"{self._shots:02d}-{safe}.png"))
        return image

    def keep(self, label: str, image: Image) -> Image:
        """Keeps an image already captured (e.g. one frame of a series) as the next numbered PNG."""
        self._shots += 1
        safe = re.sub(r"[^\w.-]+", "-", label).strip("-") or "shot"
        image.save_png(str(self.artifacts / f"{self._shots:02d}-{safe}.png"))
        return image

    def wait_still(self, rect: Rect, quiet: float = 1.0, timeout: float = 15) -> Image:
        """Waits until rect of the screen has not changed for quiet seconds and returns it.

        Wine paints a new window some time after mapping it, so a first frame that stays
        the same for a moment is not yet proof that painting is over.
        """
        state: dict[str, object] = {"image": None, "since": 0.0}

        def settled():
            image = self.display.capture().crop(rect)
            now = time.monotonic()
            if state["image"] is None or state["image"].data != image.data:
                state.update(image=image, since=now)
                return None
            return image if now - state["since"] >= quiet else None

        return wait_for(settled, timeout, f"the screen in {tuple(rect)} to stop changing", interval=0.25)


def _sweep_stale(sessions: Path) -> None:
    """Removes the folders of sessions whose harness process was killed before it could clean up."""
    for folder in sessions.iterdir():
        try:
            owner = int((folder / OWNER_FILE).read_text())
        except (OSError, ValueError):
            continue
        try:
            os.kill(owner, 0)
            continue  # still running
        except ProcessLookupError:
            pass
        except PermissionError:
            continue
        if (folder / "prefix").exists():
            wine.kill_server(folder / "prefix", wine.base_env({}))
            wine.remove_prefix(folder / "prefix")
        shutil.rmtree(folder, ignore_errors=True)


def _end(proc: subprocess.Popen) -> None:
    """Ends one child process (and the process group it leads, if it has one), by id."""
    if proc.poll() is not None:
        return
    try:
        leads_group = os.getpgid(proc.pid) == proc.pid
    except ProcessLookupError:
        return
    for sig, grace in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
        try:
            if leads_group:
                os.killpg(proc.pid, sig)
            else:
                proc.send_signal(sig)
        except ProcessLookupError:
            return
        try:
            proc.wait(grace)
            return
        except subprocess.TimeoutExpired:
            continue
