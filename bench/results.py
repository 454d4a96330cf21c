"""The benchmark's runs and results: which Wine runs which build, and the report of the samples.

A run is one Wine with one build of the program (wine10-win32, wine8-win64, wine10-win64), as
the end-to-end tests name them, or "x11" for the X11 clocks. Each program is compared with the
floor of its own run at its own display scale, never with another run's.
"""

from __future__ import annotations

import statistics
from dataclasses import dataclass, field

# The naive clock: the whole large window repainted on every one of five ticks a second.
LARGE = 480
NAIVE_AREA = LARGE * LARGE * 5
X11 = "x11"
WINE_NAMES = {"wine8": "Wine 8", "wine10": "Wine 10"}


# -- the runs ------------------------------------------------------------------

@dataclass(frozen=True)
class RunSpec:
    """One run of a machine's plan, with the environment the harness reads it from."""
    name: str
    loader: str
    emulated: bool
    env: dict[str, str] = field(default_factory=dict, compare=False, hash=False)

    @property
    def build(self) -> str:
        return self.name.split("-")[1]


def runs_for(plan, builds: set[str]) -> list[RunSpec]:
    """The runs of the end-to-end plan (harness.machine.plan) that measure the builds chosen, in its
    order, with the environment CTest gives that run's tests: the same loader and emulator."""
    chosen = []
    for run in plan.runs:
        wine, build = run.name.split("-")
        if build not in builds:
            continue
        env = {"MARISOLE_E2E_WINE": wine, "MARISOLE_E2E_ARCH": build, "MARISOLE_E2E_LOADER": run.loader,
               "MARISOLE_E2E_EMULATOR": plan.emulator}
        chosen.append(RunSpec(run.name, run.loader, run.emulated, env))
    return chosen


@dataclass(frozen=True)
class RunInfo:
    """A run as measured: what the report says of it in every row."""
    name: str
    version: str = ""      # the Wine's own version text ("wine-10.0 (Debian 10.0~repack-6)")
    loader: str = "native"
    emulated: bool = False

    @property
    def build(self) -> str:
        return "–" if self.name == X11 else self.name.split("-")[1]

    def wine_text(self) -> str:
        if self.name == X11:
            return "– (X11 programs)"
        text = f"{WINE_NAMES.get(self.name.split('-')[0], self.name)}, {self.version or '?'}"
        if self.loader == "wow64":
            text += ", WoW64"
        elif self.loader == "classic":
            text += ", 32-bit loader" + (" emulated (qemu)" if self.emulated else "")
        return text


# -- samples and figures -------------------------------------------------------

@dataclass
class Sample:
    subject: str
    round: int
    seconds: float
    cpu_program: float
    cpu_server: float
    cpu_wine_others: float
    cpu_xserver: float
    foreign: float               # CPU seconds of everything else on the machine meanwhile
    peak_kib: int
    server_peak_kib: int
    start_seconds: float
    area_per_second: float | None = None
    paints_per_second: float | None = None
    gdi_objects: int | None = None
    attempts: int = 1
    others: dict[str, float] = field(default_factory=dict)
    more_starts: list[float] = field(default_factory=list)  # further launches, timed only
    run: str = ""
    dpi: int = 96                # the display scale the program ran at

    @property
    def cpu(self) -> float:
        return self.cpu_program + self.cpu_server


def per_minute(sample: Sample, value: float) -> float:
    return value * 60 / sample.seconds


@dataclass
class Figure:
    median: float
    low: float
    high: float

    def text(self, fmt: str) -> str:
        if self.low == self.high:
            return format(self.median, fmt)
        return f"{format(self.median, fmt)} ({format(self.low, fmt)}–{format(self.high, fmt)})"


def figure(values: list[float]) -> Figure:
    return Figure(statistics.median(values), min(values), max(values))


Row = dict[str, Figure]


def summarise(samples: list[Sample]) -> dict[tuple[str, str], Row]:
    """The figures of each (run, program) over its rounds."""
    table: dict[tuple[str, str], Row] = {}
    for key in dict.fromkeys((s.run, s.subject) for s in samples):
        mine = [s for s in samples if (s.run, s.subject) == key]
        row = {
            "cpu": figure([per_minute(s, s.cpu) for s in mine]),
            "program": figure([per_minute(s, s.cpu_program) for s in mine]),
            "server": figure([per_minute(s, s.cpu_server) for s in mine]),
            "wine_others": figure([per_minute(s, s.cpu_wine_others) for s in mine]),
            "xserver": figure([per_minute(s, s.cpu_xserver) for s in mine]),
            "peak": figure([s.peak_kib / 1024 for s in mine]),
            "start": figure([t for s in mine for t in [s.start_seconds, *s.more_starts]]),
            "foreign": figure([per_minute(s, s.foreign) for s in mine]),
            "dpi": figure([s.dpi for s in mine]),
        }
        if mine[0].area_per_second is not None:
            row["area"] = figure([s.area_per_second for s in mine])
            row["paints"] = figure([s.paints_per_second for s in mine])
        table[key] = row
    return table


def is_floor(subject: str) -> bool:
    """The floor program, at one display scale or another (floor, floor-150)."""
    return subject == "floor" or subject.startswith("floor-")


@dataclass
class Ratios:
    cpu: float
    start: float
    extra_peak: float   # MiB over the floor


def ratios(table: dict[tuple[str, str], Row], runs: dict[str, RunInfo], key: tuple[str, str]) -> Ratios | None:
    """A program's medians against the floor of its own run at its own scale; None for a floor, a
    program whose run has no such floor, and any emulated run (an emulator's cost is no measure
    of the program)."""
    run, subject = key
    info = runs.get(run)
    if info is None or info.emulated or run == X11:
        return None
    dpi = table[key]["dpi"].median
    floors = [k for k in table if k[0] == run and is_floor(k[1]) and table[k]["dpi"].median == dpi]
    if is_floor(subject) or not floors:
        return None
    row, floor = table[key], table[floors[0]]
    return Ratios(cpu=row["cpu"].median / floor["cpu"].median if floor["cpu"].median else float("inf"),
                  start=row["start"].median / floor["start"].median if floor["start"].median else float("inf"),
                  extra_peak=row["peak"].median - floor["peak"].median)


# -- the report ----------------------------------------------------------------

CPU_LIMIT, START_LIMIT, PEAK_LIMIT_MIB, AREA_LIMIT = 1.2, 1.2, 4.0, 5000


def ordered(table: dict[tuple[str, str], Row], runs: list[RunInfo], subjects: list[str]) -> list[tuple[str, str]]:
    """The rows by run (in the order given), then by program (in the order given, others after)."""
    run_order = {r.name: i for i, r in enumerate(runs)}
    subject_order = {s: i for i, s in enumerate(subjects)}
    return sorted(table, key=lambda k: (run_order.get(k[0], len(run_order)), subject_order.get(k[1], len(subject_order)), k[1]))


def report(samples: list[Sample], runs: list[RunInfo], subjects: list[str], *, seconds: float, starts: int,
           drawn: bool = False) -> str:
    table = summarise(samples)
    infos = {r.name: r for r in runs}
    keys = ordered(table, runs, subjects)
    lines = [
        f"{len({s.round for s in samples})} round(s) of {seconds:g} s per program; "
        "median (lowest–highest) over the rounds; CPU in seconds per minute; "
        f"launch to visible over {starts} launch(es) a round" + (" (painted)" if drawn else "") + ". "
        "Each ratio is to the floor of the same build under the same Wine at the same scale, "
        "measured in the same run; an emulated run gets none.",
        "",
        "| build | Wine | program | CPU: program + wineserver | CPU × floor | of which wineserver | X server CPU "
        "| peak memory (MiB) | over the floor (MiB) | launch to visible (s) | launch × floor "
        "| other Wine processes | other load on the machine |",
        "|---|---|---|---|---|---|---|---|---|---|---|---|---|",
    ]
    for key in keys:
        run, subject = key
        row, info = table[key], infos.get(run, RunInfo(run))
        r = ratios(table, infos, key)
        none = "emulated" if info.emulated and not is_floor(subject) else "–"
        cpu_ratio, peak_extra, start_ratio = (f"{r.cpu:.2f}", f"{r.extra_peak:+.1f}", f"{r.start:.2f}") if r else (none,) * 3
        lines.append(f"| {info.build} | {info.wine_text()} | {subject} | {row['cpu'].text('.3f')} | {cpu_ratio} | "
                     f"{row['server'].text('.3f')} | {row['xserver'].text('.3f')} | {row['peak'].text('.1f')} | "
                     f"{peak_extra} | {row['start'].text('.2f')} | {start_ratio} | {row['wine_others'].text('.3f')} | "
                     f"{row['foreign'].text('.3f')} |")
    stats = [k for k in keys if "area" in table[k]]
    if stats:
        lines += ["", "| build | Wine | benchmark build | repainted pixels per second | paints per second |",
                  "|---|---|---|---|---|"]
        for key in stats:
            info = infos.get(key[0], RunInfo(key[0]))
            lines.append(f"| {info.build} | {info.wine_text()} | {key[1]} | {table[key]['area'].text(',.0f')} | "
                         f"{table[key]['paints'].text('.2f')} |")
    lines += ["", "Targets (medians, at 100%):", ""]
    lines += [f"- {verdict}" for verdict in targets(table, runs)]
    return "\n".join(lines) + "\n"


def targets(table: dict[tuple[str, str], Row], runs: list[RunInfo]) -> list[str]:
    verdicts = []
    infos = {r.name: r for r in runs}

    def check(ok: bool, text: str) -> None:
        verdicts.append(("met" if ok else "MISSED") + ": " + text)

    for info in runs:
        if info.name == X11 or not any(run == info.name for run, _ in table):
            continue
        where = f"{info.build}, {info.wine_text()}"
        if info.emulated:
            verdicts.append(f"not judged: {where} (an emulator's cost is no measure of the program)")
            continue
        for size in ("large", "small"):
            key = (info.name, f"clock-{size}")
            if key not in table:
                continue
            clock, r = table[key], ratios(table, infos, key)
            if r:
                floor = table[(info.name, "floor")]
                check(r.cpu <= CPU_LIMIT, f"{where}: {size} clock CPU {clock['cpu'].median:.3f} s/min = "
                                          f"{r.cpu:.2f}x the floor's {floor['cpu'].median:.3f} (at most {CPU_LIMIT}x)")
                check(r.start <= START_LIMIT, f"{where}: {size} clock start-up {clock['start'].median:.2f} s = "
                                              f"{r.start:.2f}x the floor's {floor['start'].median:.2f} s "
                                              f"(at most {START_LIMIT}x)")
                check(r.extra_peak <= PEAK_LIMIT_MIB, f"{where}: {size} clock peak memory {clock['peak'].median:.1f} "
                                                      f"MiB = floor {r.extra_peak:+.1f} MiB (at most + "
                                                      f"{PEAK_LIMIT_MIB:g} MiB)")
            xclock = table.get((X11, f"xclock-{size}"))
            if xclock:
                check(clock["xserver"].median <= xclock["xserver"].median,
                      f"{where}: {size} clock X server CPU {clock['xserver'].median:.3f} s/min, xclock's "
                      f"{xclock['xserver'].median:.3f} (no more)")
        stats = table.get((info.name, "stats-large"))
        if stats:
            check(stats["area"].median <= AREA_LIMIT, f"{where}: large clock repaints {stats['area'].median:,.0f} "
                                                      f"pixels/s (at most {AREA_LIMIT:,}; the naive way "
                                                      f"{NAIVE_AREA:,})")
    return verdicts
