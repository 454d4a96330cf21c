#!/usr/bin/python3
"""What the clock costs a desktop, beside the least a Wine program costs and two X11 clocks.

Run through bench/run, which installs and builds what is needed first:

    bench/run                  # both builds, 3 rounds of 60 s per program
    bench/run --quick          # one round of 10 s each: a smoke run
    bench/run --build win32 --seconds 90 --rounds 5 --only floor,clock-large

A run is one Wine with one build, as the end-to-end tests have them (harness.machine decides
which this machine takes, and how): the 32-bit program under Wine 10 (in its WoW64 mode, or
under its 32-bit loader, emulated where the kernel runs no 32-bit code), the 64-bit program
under Wine 8 and under Wine 10; and the X11 clocks. Each run of each round is a child process
of this script (the harness serves one Wine and one build a process), on an Xvfb display of its
own with openbox, one program at a time: the clock, its statistics build and the floor of the
same build, at 100% and at 150%. Each Wine program gets a Wine prefix and a wineserver of its
own, so the server's CPU time is that program's. For every program and round:

  cpu       CPU seconds of the program over the measured period (for a Wine
            program: the program plus its wineserver)
  xserver   CPU seconds of Xvfb over the same period
  peak      the program's peak resident memory (VmHWM), start-up included
  start     seconds from launch to the program's window being mapped
  area      (benchmark build of the clock only) device pixels repainted per
            second, and paints per second, from its MarisoleClock.stats

CPU time is read from /proc: the per-thread schedstat run time (nanoseconds)
when no thread came or went during the period, otherwise utime + stime.
Whatever else the machine did meanwhile ("foreign" CPU: all busy time in
/proc/stat less that of the processes measured and of this script) is
recorded; a period with too much of it is measured again.
"""

from __future__ import annotations

import argparse
import contextlib
import ctypes
import hashlib
import json
import os
import platform
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
from dataclasses import asdict, dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
# The e2e harness: the run (Wine and build) comes from the environment as it is imported.
from harness import machine as plans, wine  # noqa: E402
from harness.session import Program  # noqa: E402
from harness.x11 import Display, wait_for  # noqa: E402
from results import X11, RunInfo, Sample, per_minute, report, runs_for  # noqa: E402

WORK = REPO / "build" / "bench"
TICKS = os.sysconf("SC_CLK_TCK")
CORES = os.cpu_count() or 1
LARGE, SMALL = 480, 233
BUILDS = ("win32", "win64")
# Seconds the machine must be quiet for before a program is started.
QUIET_SAMPLE = 5


def _die_with_parent() -> None:
    """Runs in a child before exec: the child gets SIGKILL should this script die outright."""
    try:
        ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


# -- the programs --------------------------------------------------------------

@dataclass
class Subject:
    name: str
    title: str | None            # regular expression for the window's title; None: any window of the process
    argv: list[str] | None = None  # an X program
    exe: Path | None = None      # a Windows program: the copy the run measures
    ini: bytes | None = None
    stats: bool = False          # the clock's benchmark build: read its statistics file
    log_pixels: int = 0          # display scale for this program alone (0: --log-pixels, or Wine's 96)

    @property
    def wine(self) -> bool:
        return self.exe is not None


LARGE_INI, SMALL_INI = b"[MAIN]\r\nSIZE=0\r\n", b"[MAIN]\r\nSIZE=2\r\n"
# 150%: the display scale of many a laptop, at which the clock draws its renditions for 150%.
SCALED = 144


def sources(build: str) -> dict[str, Path]:
    """The programs a run of that build measures, as they were built."""
    return {"floor": WORK / f"floor-{build}.exe",
            "clock": REPO / "build" / build / "MarisoleClock.exe",
            "stats": REPO / "build" / f"{build}-stats" / "MarisoleClock.exe"}


def copy_path(programs: Path, build: str, kind: str) -> Path:
    """Where the run's copy of a program is: a rebuild during the run changes none of them."""
    return programs / build / kind / sources(build)[kind].name


def wine_subjects(build: str, programs: Path) -> list[Subject]:
    floor, clock, stats = (copy_path(programs, build, kind) for kind in ("floor", "clock", "stats"))
    return [
        Subject("floor", "^Wine floor$", exe=floor),
        Subject("clock-large", "^Form1$", exe=clock, ini=LARGE_INI),
        Subject("clock-small", "^Form1$", exe=clock, ini=SMALL_INI),
        Subject("stats-large", "^Form1$", exe=stats, ini=LARGE_INI, stats=True),
        Subject("stats-small", "^Form1$", exe=stats, ini=SMALL_INI, stats=True),
        Subject("floor-150", "^Wine floor$", exe=floor, log_pixels=SCALED),
        Subject("clock-large-150", "^Form1$", exe=clock, ini=LARGE_INI, log_pixels=SCALED),
        Subject("clock-small-150", "^Form1$", exe=clock, ini=SMALL_INI, log_pixels=SCALED),
    ]


def x11_subjects() -> list[Subject]:
    return [
        Subject("xclock-large", "^xclock$", argv=["xclock", "-analog", "-update", "1", "-geometry", f"{LARGE}x{LARGE}+0+0"]),
        Subject("xclock-small", "^xclock$", argv=["xclock", "-analog", "-update", "1", "-geometry", f"{SMALL}x{SMALL}+0+0"]),
        Subject("oclock-large", "^oclock$", argv=["oclock", "-geometry", f"{LARGE}x{LARGE}+0+0"]),
        Subject("oclock-small", "^oclock$", argv=["oclock", "-geometry", f"{SMALL}x{SMALL}+0+0"]),
    ]


@dataclass
class Extra:
    name: str
    source: Path
    build: str
    size: str
    dpi: int


def pe_build(path: Path) -> str:
    """win32 or win64: the machine a Windows program is built for, from its PE header."""
    with open(path, "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ" or len(head) < 0x40:
        raise ValueError(f"{path} is no Windows program")
    offset = struct.unpack_from("<I", head, 0x3C)[0]
    if head[offset:offset + 4] != b"PE\0\0":
        raise ValueError(f"{path} is no Windows program")
    kinds = {0x14C: "win32", 0x8664: "win64"}
    machine_type = struct.unpack_from("<H", head, offset + 4)[0]
    if machine_type not in kinds:
        raise ValueError(f"{path} is built for machine {machine_type:#x}, neither x86 nor x86-64")
    return kinds[machine_type]


def parse_extra(text: str) -> Extra:
    name, _, path = text.partition("=")
    path, _, size = path.partition(":")
    size, _, dpi = size.partition("@")
    if not name or "/" in name or not path or size not in ("", "large", "small") or not (dpi == "" or dpi.isdigit()):
        raise ValueError(f"--extra {text}: give NAME=EXE, NAME=EXE:large or NAME=EXE:small, optionally with @DPI")
    source = Path(path).resolve()
    if not source.is_file():
        raise ValueError(f"--extra {text}: {source} is missing")
    return Extra(name, source, pe_build(source), size, int(dpi or 0))


def extra_subject(extra: Extra, index: int, programs: Path) -> Subject:
    ini = {"large": LARGE_INI, "small": SMALL_INI}.get(extra.size)
    return Subject(extra.name, "^Form1$" if extra.size else None, exe=programs / "extra" / str(index) / extra.source.name,
                   ini=ini, log_pixels=extra.dpi)


def run_subjects(run: str, args: argparse.Namespace, extras: list[Extra], programs: Path) -> list[Subject]:
    """The programs one run measures, as --only and --seconds leave them."""
    if run == X11:
        chosen = x11_subjects()
    else:
        build = run.split("-")[1]
        chosen = wine_subjects(build, programs) + [extra_subject(e, i, programs) for i, e in enumerate(extras)
                                                   if e.build == build]
    if args.only:
        names = set(args.only.split(",")) | {e.name for e in extras}
        chosen = [s for s in chosen if s.name in names]
    if args.seconds < 20:
        chosen = [s for s in chosen if not s.stats]
    return chosen


# -- /proc -------------------------------------------------------------------

def _stat_fields(pid: int) -> list[str]:
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()


def stat_seconds(pid: int) -> float:
    """utime + stime of the whole process (living and ended threads), in seconds."""
    fields = _stat_fields(pid)
    return (int(fields[11]) + int(fields[12])) / TICKS


def thread_runtimes(pid: int) -> dict[int, int]:
    """Nanoseconds on a CPU of each living thread."""
    times = {}
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                times[int(task)] = int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return times


@dataclass
class CpuMark:
    ticks: float
    threads: dict[int, int]


def cpu_mark(pid: int) -> CpuMark | None:
    try:
        return CpuMark(stat_seconds(pid), thread_runtimes(pid))
    except OSError:
        return None


def cpu_between(a: CpuMark | None, b: CpuMark | None) -> float:
    """CPU seconds a process used between two marks: exact when its threads stayed the same."""
    if a is None and b is None:
        return 0.0
    if a is None:
        return b.ticks  # born during the period
    if b is None:
        return 0.0      # ended during the period; what it used since a is lost
    coarse = b.ticks - a.ticks
    if a.threads.keys() == b.threads.keys():
        fine = sum(b.threads[t] - a.threads[t] for t in b.threads) / 1e9
        # A thread that came and went between the marks shows only in the coarse count.
        if coarse - fine < 2.0 / TICKS:
            return fine
    return coarse


def vm_hwm_kib(pid: int) -> int:
    with open(f"/proc/{pid}/status") as f:
        m = re.search(r"^VmHWM:\s+(\d+) kB", f.read(), re.M)
    return int(m.group(1)) if m else 0


def system_busy() -> float:
    """Busy CPU seconds of the whole machine so far (all cores)."""
    with open("/proc/stat") as f:
        values = [int(v) for v in f.readline().split()[1:]]
    user, nice, system, _idle, _iowait, irq, softirq = values[:7]
    return (user + nice + system + irq + softirq) / TICKS


def prefix_processes(prefix: Path) -> list[int]:
    """Processes running in the given Wine prefix (found by their environment)."""
    wanted = b"WINEPREFIX=" + str(prefix).encode() + b"\0"
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if wanted in f.read() + b"\0":
                    pids.append(int(entry))
        except OSError:
            pass
    return pids


def comm(pid: int) -> str:
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return "?"


# -- the desktop ---------------------------------------------------------------

class Desktop:
    """One Xvfb display with openbox, shared by every program of the run."""

    def __init__(self, logs: Path, screen: tuple[int, int] = (1024, 768)):
        self.logs = logs
        self.screen = screen
        self.children: list[subprocess.Popen] = []
        self.xvfb: subprocess.Popen | None = None
        self.openbox: subprocess.Popen | None = None
        self.display: Display | None = None

    def start(self) -> "Desktop":
        read_end, write_end = os.pipe()
        with open(self.logs / "xvfb.log", "wb") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{self.screen[0]}x{self.screen[1]}x24",
                 "-nolisten", "tcp", "-noreset"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, pass_fds=(write_end,),
                preexec_fn=_die_with_parent)
        self.children.append(self.xvfb)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip().isdigit():
            raise RuntimeError(f"Xvfb did not start; see {self.logs / 'xvfb.log'}")
        env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "LD_PRELOAD", "FAKETIME"))}
        self.display = Display(f":{number.decode().strip()}", env)
        wait_for(lambda: self.display.ok("xprop", "-root", "WM_NAME"), 20, "Xvfb to take connections")
        self.openbox = self.spawn(["openbox", "--sm-disable"], "openbox.log")
        wait_for(lambda: "window id" in self.display.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False),
                 20, "openbox to manage the display")
        return self

    def spawn(self, argv: list[str], log: str, env: dict[str, str] | None = None, cwd: Path | None = None,
              wine_process: bool = False) -> subprocess.Popen:
        """Starts a child that dies with this script; a Wine process of the run (chrooted into the
        root's view for Wine 10) when wine_process is set."""
        options = wine.spawn_options(cwd, die_with_parent=True) if wine_process else {
            "cwd": cwd, "preexec_fn": _die_with_parent}
        with open(self.logs / log, "ab") as out:
            proc = subprocess.Popen(argv, env=env or self.display.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, **options)
        self.children.append(proc)
        return proc

    def visible(self, title: str | None, pid: int) -> bool:
        how = ["--name", title] if title is not None else ["--pid", str(pid)]
        proc = subprocess.run(["xdotool", "search", "--onlyvisible", *how], env=self.display.env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20)
        return bool(proc.stdout.split())

    def drawn(self, title: str | None, pid: int) -> bool:
        """Whether the window is mapped and painted: its middle shows more than one colour."""
        how = ["--name", title] if title is not None else ["--pid", str(pid)]
        found = subprocess.run(["xdotool", "search", "--onlyvisible", *how], env=self.display.env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20).stdout.split()
        if not found:
            return False
        colours = subprocess.run(["import", "-window", found[0].decode(), "-gravity", "center", "-crop", "32x32+0+0",
                                  "-format", "%k", "info:"], env=self.display.env, stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, timeout=20).stdout.strip()
        return colours.isdigit() and int(colours) > 1

    def close(self) -> None:
        for proc in reversed(self.children):
            end(proc)
        self.children.clear()


def end(proc: subprocess.Popen) -> None:
    """Ends one process we started, by its id."""
    if proc.poll() is not None:
        return
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            proc.send_signal(sig)
            proc.wait(5)
            return
        except ProcessLookupError:
            return
        except subprocess.TimeoutExpired:
            continue


# -- one measured run ----------------------------------------------------------

@dataclass
class Launch:
    folder: Path
    env: dict[str, str]
    prefix: Path | None = None
    program_folder: Path | None = None
    server: subprocess.Popen | None = None
    program: subprocess.Popen | None = None
    copy: Program | None = None  # a Windows program: finds the process that runs it
    start_seconds: float = 0.0

    @property
    def pid(self) -> int:
        """The process that runs the program (under the emulated 32-bit loader not the one started)."""
        return self.copy.pid if self.copy else self.program.pid


class Runner:
    def __init__(self, desktop: Desktop, args: argparse.Namespace, template: Path | None, run_name: str):
        self.desktop = desktop
        self.run_name = run_name
        self.args = args
        self.template = template
        self.runs = WORK / "runs" / run_name

    def wait_quiet(self, sample: float = QUIET_SAMPLE) -> None:
        """Waits (up to --max-wait seconds) until the machine has been idle, apart from our desktop,
        for sample seconds."""
        deadline = time.monotonic() + self.args.max_wait
        ours = [self.desktop.xvfb.pid, self.desktop.openbox.pid, os.getpid()]
        while True:
            before_busy = system_busy()
            before = sum(stat_seconds(p) for p in ours)
            time.sleep(sample)
            share = ((system_busy() - before_busy) - (sum(stat_seconds(p) for p in ours) - before)) / sample
            if share <= self.args.quiet or time.monotonic() >= deadline:
                if share > self.args.quiet:
                    log(f"  machine still busy ({share:.0%} of a core); measuring anyway")
                return
            log(f"  waiting for a quiet machine (others use {share:.0%} of a core; load {loadavg()})")

    def measure(self, subject: Subject, round_: int) -> Sample:
        best: Sample | None = None
        limit = self.args.seconds * self.args.disturbed
        for attempt in range(1, self.args.attempts + 1):
            if not self.args.no_wait:
                self.wait_quiet()
            sample = self.run_once(subject, round_)
            sample.attempts = attempt
            if best is None or sample.foreign < best.foreign:
                best = sample
            if sample.foreign <= limit:
                break
            log(f"  disturbed: other processes used {sample.foreign:.2f} s of CPU"
                + ("; measuring again" if attempt < self.args.attempts else ""))
        # Start-up varies more than the rest, so it gets more launches than one a round.
        for number in range(2, self.args.starts + 1):
            if not self.args.no_wait:
                self.wait_quiet(2)
            best.more_starts.append(self.start_time(subject, f"{subject.name}-{round_}-start{number}"))
        return best

    @contextlib.contextmanager
    def launched(self, subject: Subject, name: str):
        """Starts the program in a folder (and for a Wine program a prefix and server) of its own,
        waits for its window and yields; ends all of it afterwards."""
        folder = self.runs / name
        if folder.exists():
            shutil.rmtree(folder)
        folder.mkdir(parents=True)
        run = Launch(folder=folder, env=self.desktop.display.env)
        try:
            if subject.wine:
                run.prefix = wine.copy_prefix(self.template, folder / "prefix")
                log_pixels = subject.log_pixels or self.args.log_pixels
                if log_pixels:
                    # The display scale, as the e2e sessions set it: without a display, and the
                    # server reg.exe starts ended before the program's own comes up.
                    env = wine.base_env({"WINEPREFIX": str(run.prefix)})
                    try:
                        wine.import_registry({r"HKCU\Control Panel\Desktop": {"LogPixels": log_pixels}},
                                             folder, env)
                    finally:
                        wine.kill_server(run.prefix, env)
                run.program_folder = folder / "program"
                run.program_folder.mkdir()
                shutil.copy2(subject.exe, run.program_folder / subject.exe.name)
                if subject.ini is not None:
                    (run.program_folder / "Vo_Clock.ini").write_bytes(subject.ini)
                run.env = wine.base_env({"WINEPREFIX": str(run.prefix), "DISPLAY": self.desktop.display.name})
                # The prefix's own server, started ahead as on a desktop where it already runs;
                # persistent, so that it stays until it is told to end.
                run.server = self.desktop.spawn([wine.WINESERVER, "-f", "-p"], f"{name}-wineserver.log", run.env,
                                                wine_process=True)
                wait_for(lambda: wine.server_socket(run.prefix), 30, "the wineserver to listen")
                argv = [wine.WINE, str(run.program_folder / subject.exe.name)]
                cwd, env = run.program_folder, {**run.env, "MARISOLE_COPY": name}
            else:
                argv, cwd, env = subject.argv, folder, run.env

            launched = time.monotonic()
            program = run.program = self.desktop.spawn(argv, f"{name}.log", env, cwd=cwd, wine_process=subject.wine)
            if subject.wine:
                run.copy = Program(program, self.desktop.logs / f"{name}.log", name, subject.exe.name)
            shown = self.desktop.drawn if self.args.drawn else self.desktop.visible
            # Emulated, a 32-bit program takes several times as long to start.
            wait_for(lambda: shown(subject.title, run.pid) or program.poll() is not None,
                     180 if wine.emulated() else 60, f"{subject.name}'s window", interval=0.01)
            run.start_seconds = time.monotonic() - launched
            if program.poll() is not None:
                raise RuntimeError(f"{subject.name} ended with {program.returncode}; see {name}.log")
            yield run
        finally:
            if run.prefix is not None:
                wine.kill_server(run.prefix, run.env)
            for proc in (run.program, run.server):
                if proc is not None:
                    end(proc)
                    if proc in self.desktop.children:
                        self.desktop.children.remove(proc)
            if run.prefix is not None:
                wine.remove_prefix(run.prefix)
            if not self.args.keep:
                shutil.rmtree(folder, ignore_errors=True)

    def start_time(self, subject: Subject, name: str) -> float:
        """Seconds from launch to a visible window, for one more start of the program."""
        with self.launched(subject, name) as run:
            return run.start_seconds

    def run_once(self, subject: Subject, round_: int, seconds: float | None = None,
                 settle: float | None = None) -> Sample:
        seconds = self.args.seconds if seconds is None else seconds
        settle = self.args.settle if settle is None else settle
        with self.launched(subject, f"{subject.name}-{round_}") as run:
            program, server, prefix = run.program, run.server, run.prefix
            if subject.wine:
                # That the program runs as the run says (WoW64: no 32-bit code at all).
                wine.check_loader(run.pid)
            time.sleep(settle)

            xvfb = self.desktop.xvfb.pid
            program_pid = run.pid
            fixed = [program_pid, xvfb] + ([server.pid] if server else [])
            background = [self.desktop.openbox.pid, os.getpid()]

            def marks() -> dict[int, CpuMark | None]:
                found = prefix_processes(prefix) if prefix else []
                return {p: cpu_mark(p) for p in dict.fromkeys(fixed + found + background)}

            before, busy0, t0 = marks(), system_busy(), time.monotonic()
            time.sleep(seconds)
            after, busy1, t1 = marks(), system_busy(), time.monotonic()
            if program.poll() is not None:
                raise RuntimeError(f"{subject.name} ended during the measurement ({program.returncode})")

            def used(pid: int) -> float:
                return cpu_between(before.get(pid), after.get(pid))

            others: dict[str, float] = {}
            for pid in set(before) | set(after):
                if pid not in fixed and pid not in background:
                    others[comm(pid)] = others.get(comm(pid), 0.0) + used(pid)
            # Everything the machine did that is none of the above (coarse counts on both sides).
            ours = sum((after[p].ticks if after.get(p) else 0.0) - (before[p].ticks if before.get(p) else 0.0)
                       for p in set(before) | set(after) if after.get(p))
            sample = Sample(
                subject=subject.name, round=round_, seconds=t1 - t0,
                cpu_program=used(program_pid), cpu_server=used(server.pid) if server else 0.0,
                cpu_wine_others=sum(others.values()), cpu_xserver=used(xvfb),
                foreign=max((busy1 - busy0) - ours, 0.0),
                peak_kib=vm_hwm_kib(program_pid), server_peak_kib=vm_hwm_kib(server.pid) if server else 0,
                start_seconds=run.start_seconds, others={k: round(v, 4) for k, v in sorted(others.items())},
                run=self.run_name, dpi=(subject.log_pixels or self.args.log_pixels or 96) if subject.wine else 96)
            if subject.stats and seconds >= 20:
                self.read_stats(sample, run.program_folder / "MarisoleClock.stats")
            return sample

    @staticmethod
    def read_stats(sample: Sample, path: Path) -> None:
        """Repainted area and paints per second between the first and the last line of the statistics.

        The first line comes ten seconds after the start, so the first paint of the whole
        window is left out: what remains is what the clock costs while it runs.
        """
        rows = []
        for line in path.read_text(errors="replace").splitlines():
            values = dict(re.findall(r"(\w+)=(\d+)", line))
            if "seconds" in values:
                rows.append({k: int(v) for k, v in values.items()})
        if len(rows) < 2:
            raise RuntimeError(f"{path} has {len(rows)} lines; measure for at least 20 s")
        first, last = rows[0], rows[-1]
        span = last["seconds"] - first["seconds"]
        sample.area_per_second = (last["pixels"] - first["pixels"]) / span
        sample.paints_per_second = (last["paints"] - first["paints"]) / span
        sample.gdi_objects = last.get("gdi")


# -- the machine -------------------------------------------------------------------

def log(text: str) -> None:
    print(text, file=sys.stderr, flush=True)


def loadavg() -> str:
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def machine() -> str:
    def first(path: str, key: str) -> str:
        try:
            with open(path) as f:
                m = re.search(rf"^{key}\s*:\s*(.+)$", f.read(), re.M)
            return m.group(1).strip() if m else "?"
        except OSError:
            return "?"

    def package(name: str) -> str:
        out = subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL)
        return out.stdout.decode().strip() or "?"

    with open("/proc/meminfo") as f:
        mem = int(re.search(r"MemTotal:\s+(\d+)", f.read()).group(1)) // 1024
    try:
        debian = Path("/etc/debian_version").read_text().strip()
    except OSError:
        debian = "?"
    return (f"{first('/proc/cpuinfo', 'model name')}, {CORES} cores, {mem} MiB; Linux {platform.release()}, "
            f"Debian {debian}; Xvfb {package('xvfb')}, openbox {package('openbox')}, "
            f"x11-apps {package('x11-apps')}")


# -- one run of one round: a child process ---------------------------------------

def measure_run(args: argparse.Namespace, extras: list[Extra]) -> int:
    """Measures the programs of one run (the harness's, from the environment) for one round and
    writes the samples to --part."""
    run_name = args.child
    chosen = run_subjects(run_name, args, extras, WORK / "programs")
    template = None
    version = ""
    if any(s.wine for s in chosen):
        wine.share(WORK)
        template = wine.ensure_template(WORK / run_name / "wineprefix-template")
        # "wine-10.0 (Debian 10.0~repack-6)", without what the harness adds for its template's sake.
        version = wine.wine_version().split(f" {wine.RUN} ")[0]
    logs = WORK / "logs" / f"{run_name}-{args.round}"
    shutil.rmtree(logs, ignore_errors=True)
    logs.mkdir(parents=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    samples: list[Sample] = []
    desktop = Desktop(logs)
    try:
        desktop.start()
        runner = Runner(desktop, args, template, run_name)
        if not args.quick and args.round == 1:
            # One unmeasured start of each Windows program first, so that no program pays
            # for reading Wine's libraries from the disk.
            for s in [s for s in chosen if s.wine][:2]:
                log(f"{run_name}: warming up with {s.name}")
                runner.run_once(s, 0, seconds=1, settle=0)
        # Each round starts with another program, so that drift in the machine's load
        # does not always fall on the same one.
        shift = (args.round - 1) % len(chosen)
        for subject in chosen[shift:] + chosen[:shift]:
            log(f"round {args.round}/{args.rounds}, {run_name}: {subject.name} (load {loadavg()})")
            sample = runner.measure(subject, args.round)
            samples.append(sample)
            extra = f", {sample.area_per_second:,.0f} px/s" if sample.area_per_second is not None else ""
            log(f"  cpu {per_minute(sample, sample.cpu):.3f} s/min (program {sample.cpu_program:.3f} + server "
                f"{sample.cpu_server:.3f} in {sample.seconds:.0f} s), X {sample.cpu_xserver:.3f} s, "
                f"peak {sample.peak_kib / 1024:.1f} MiB, visible after "
                f"{' '.join(f'{t:.2f}' for t in [sample.start_seconds, *sample.more_starts])} s, "
                f"others {sample.foreign:.2f} s{extra}")
    finally:
        desktop.close()
    info = RunInfo(run_name, version, wine.LOADER if template else "native", wine.emulated() if template else False)
    args.part.write_text(json.dumps({"run": asdict(info), "samples": [asdict(s) for s in samples]}))
    return 0


# -- the whole benchmark ---------------------------------------------------------

def plan_runs(args: argparse.Namespace, extras: list[Extra]) -> tuple[list, str]:
    """The runs to take (the machine's plan for the builds chosen, then the X11 clocks) and what
    the machine is, as the plan sees it."""
    builds = set(BUILDS) if args.build == "both" else {args.build}
    facts = plans.facts()
    runs = [r for r in runs_for(plans.plan(facts), builds) if run_subjects(r.name, args, extras, WORK / "programs")]
    if run_subjects(X11, args, extras, WORK / "programs"):
        runs.append(X11)
    kernel = ("runs 32-bit code" if facts.kernel_runs_32_bit
              else "runs no 32-bit code (the 32-bit program is emulated)")
    return runs, f"the kernel {kernel}"


def take_copies(runs: list, extras: list[Extra]) -> dict[str, str]:
    """Copies every program the runs measure into build/bench/programs; returns their digests."""
    programs = WORK / "programs"
    shutil.rmtree(programs, ignore_errors=True)
    digests = {}
    builds = {r.build for r in runs if r != X11}
    copies = [(sources(b)[kind], copy_path(programs, b, kind)) for b in sorted(builds) for kind in sources(b)]
    copies += [(e.source, programs / "extra" / str(i) / e.source.name) for i, e in enumerate(extras) if e.build in builds]
    for source, copy in copies:
        copy.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(source, copy)
        shown = source.relative_to(REPO) if source.is_relative_to(REPO) else source
        digests[str(shown)] = hashlib.sha256(copy.read_bytes()).hexdigest()[:12]
    return digests


def run_child(run, round_: int, args: argparse.Namespace) -> dict:
    """One run's round in a child process with the run's environment; its samples."""
    part = WORK / "parts" / f"{run if run == X11 else run.name}-{round_}.json"
    part.unlink(missing_ok=True)
    env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
    name = X11
    if run != X11:
        env.update(run.env)
        name = run.name
    argv = [sys.executable, str(Path(__file__).resolve()), *sys.argv[1:],
            "--child", name, "--round", str(round_), "--part", str(part)]
    child = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, preexec_fn=_die_with_parent)
    try:
        code = child.wait()
    finally:
        if child.poll() is None:
            child.terminate()  # it ends what it started, then itself
            try:
                child.wait(60)
            except subprocess.TimeoutExpired:
                child.kill()
    if code != 0:
        raise SystemExit(f"the {name} run of round {round_} failed ({code}); its logs: {WORK / 'logs'}")
    return json.loads(part.read_text())


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", choices=("win32", "win64", "both"), default="both",
                        help="the 32-bit program under Wine 10, the 64-bit one under Wine 8 and Wine 10, "
                             "or both (both)")
    parser.add_argument("--quick", action="store_true", help="one round of 10 s per program, no waiting for quiet")
    parser.add_argument("--seconds", type=float, default=60, help="measured period per program and round (60)")
    parser.add_argument("--rounds", type=int, default=3, help="rounds over all programs (3)")
    parser.add_argument("--settle", type=float, default=5, help="seconds between the window showing and "
                                                                "the measurement (5)")
    parser.add_argument("--extra", action="append", default=[], metavar="NAME=EXE[:large|:small][@DPI]",
                        help="also measure another Windows program, e.g. a trial build of the clock, in "
                             "every run of its build (with :large or :small it is started as the clock of "
                             "that size, with @DPI at that display scale: @192 is 200%%)")
    parser.add_argument("--starts", type=int, default=5, help="launches timed per program and round (5)")
    names = [s.name for s in wine_subjects("win64", WORK) + x11_subjects()]
    parser.add_argument("--only", help="comma-separated programs, in every run: " + ",".join(names))
    parser.add_argument("--quiet", type=float, default=0.10,
                        help="share of a core other processes may use before a run starts (0.10)")
    parser.add_argument("--disturbed", type=float, default=0.15,
                        help="share of a core other processes may use during a run before it is repeated (0.15)")
    parser.add_argument("--attempts", type=int, default=3, help="runs at most per program and round (3)")
    parser.add_argument("--max-wait", type=float, default=600, help="seconds to wait for a quiet machine (600)")
    parser.add_argument("--no-wait", action="store_true", help="do not wait for a quiet machine")
    parser.add_argument("--log-pixels", type=int, default=0, metavar="DPI",
                        help="run the Windows programs at this display scale (120: 125%%, 144: 150%%, 192: 200%%); "
                             "the 150%% rows keep theirs")
    parser.add_argument("--drawn", action="store_true",
                        help="time start-up to the window's first paint (its middle shows its picture), "
                             "not only to its mapping")
    parser.add_argument("--keep", action="store_true", help="keep each run's folder (logs, statistics)")
    parser.add_argument("--out", type=Path, default=WORK / "results", help="folder for results.md and .json")
    # One run's round, in a child process of the benchmark.
    parser.add_argument("--child", help=argparse.SUPPRESS)
    parser.add_argument("--round", type=int, default=1, help=argparse.SUPPRESS)
    parser.add_argument("--part", type=Path, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.quick:
        args.seconds, args.rounds, args.settle, args.attempts, args.no_wait, args.starts = 10, 1, 2, 1, True, 1
    try:
        extras = [parse_extra(e) for e in args.extra]
    except (OSError, ValueError) as error:
        parser.error(str(error))
    if args.child:
        return measure_run(args, extras)

    if args.seconds < 20:
        log("note: under 20 s the benchmark build writes too few statistics for the repainted area")
    if args.only:
        unknown = set(args.only.split(",")) - set(names) - {e.name for e in extras}
        if unknown:
            parser.error(f"unknown programs: {', '.join(sorted(unknown))}")
    runs, kernel = plan_runs(args, extras)
    if not runs:
        parser.error("nothing to measure: --only and --build leave no program")
    for run in runs:
        for s in run_subjects(run if run == X11 else run.name, args, extras, WORK / "programs"):
            if s.argv is not None and not shutil.which(s.argv[0]):
                parser.error(f"{s.argv[0]} is missing: install x11-apps (bench/run does)")
    for build in sorted({r.build for r in runs if r != X11}):
        for source in sources(build).values():
            if not source.is_file():
                parser.error(f"{source} is missing: run bench/run, which builds it")

    WORK.mkdir(parents=True, exist_ok=True)
    args.out.mkdir(parents=True, exist_ok=True)
    shutil.rmtree(WORK / "logs", ignore_errors=True)
    (WORK / "parts").mkdir(exist_ok=True)
    # The run measures copies taken now, so that a rebuild meanwhile cannot mix two programs.
    digests = take_copies(runs, extras)
    about = f"{machine()}; {kernel}"
    log(f"machine: {about}")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    samples: list[Sample] = []
    infos: dict[str, RunInfo] = {}
    for round_ in range(1, args.rounds + 1):
        # Each round starts with another run, for the same reason as with the programs.
        shift = (round_ - 1) % len(runs)
        for run in runs[shift:] + runs[:shift]:
            part = run_child(run, round_, args)
            infos[part["run"]["name"]] = RunInfo(**part["run"])
            samples += [Sample(**s) for s in part["samples"]]

    order = [r if r == X11 else r.name for r in runs]
    measured = [infos[name] for name in order]
    subject_order = names + [e.name for e in extras]
    text = report(samples, measured, subject_order, seconds=args.seconds, starts=args.starts, drawn=args.drawn)
    command = "bench/run " + " ".join(sys.argv[1:])
    stamp = time.strftime("%Y-%m-%d %H:%M")
    wines = "; ".join(f"{i.name}: {i.wine_text()}" for i in measured if i.name != X11)
    programs = ", ".join(f"{path} (sha256 {digest}…)" for path, digest in digests.items())
    document = (f"Run {stamp}: `{command.strip()}`\n\nMachine: {about}\n\nRuns: {wines}\n\n"
                f"Programs: {programs}\n\n{text}")
    (args.out / "results.md").write_text(document)
    (args.out / "results.json").write_text(json.dumps(
        {"when": stamp, "command": command.strip(), "machine": about, "programs": digests,
         "seconds": args.seconds, "runs": {i.name: asdict(i) for i in measured},
         "samples": [asdict(s) for s in samples]}, indent=1))
    print(document)
    log(f"written: {args.out / 'results.md'} and results.json")
    return 0


if __name__ == "__main__":
    sys.exit(main())
