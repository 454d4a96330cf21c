"""The harness itself: Wine's own processes of a session run on the real clock, the fake one
reaches the program alone, and a crash in any Wine process fails the test at once."""

from __future__ import annotations

import time
from pathlib import Path

from harness import ClockTest, labels, wine
from harness.session import WineCrash

NOON = "2026-01-01 12:00:00"


def command_of(pid: int) -> list[str]:
    try:
        return Path(f"/proc/{pid}/cmdline").read_bytes().decode(errors="replace").split("\0")
    except OSError:
        return ["?"]


def name_of(pid: int) -> str:
    """The program a process runs: Wine's own programs name their Windows path first."""
    return command_of(pid)[0].replace("\\", "/").rsplit("/", 1)[-1].lower()


class Harness(ClockTest):
    @labels("short")
    def test_only_the_program_reads_the_fake_clock(self):
        s = self.session(time=NOON)
        program = s.launch()
        s.wait_window("^Form1$")
        processes = s.processes()
        names = {pid: name_of(pid) for pid in processes}
        faked = {pid for pid, env in processes.items()
                 if any(k.startswith("FAKETIME") for k in env) or "faketime" in env.get("LD_PRELOAD", "")}
        # The program's own processes (two under the emulated 32-bit loader) and nothing else.
        others = {pid: command_of(pid) for pid in faked - {program.popen.pid, *program.copies()}}
        self.assertEqual(others, {}, "the fake clock's settings reached processes other than the program")
        self.assertIn(program.pid, faked)
        # The session is all there: its server (wineserver or wineserver64), Wine's services and
        # the desktop.
        for needed in ("wineserver", "services.exe", "explorer.exe"):
            self.assertTrue(any(name.startswith(needed) for name in names.values()),
                            f"no {needed} among {sorted(names.values())}")

    @labels("short")
    def test_a_crash_fails_the_test_at_once_naming_it(self):
        s = self.session()
        started = time.monotonic()
        with self.assertRaises(WineCrash) as crash:
            s.launch_tool("DivideByZero.exe")
            s.wait_for(lambda: False, 90, "a crash to be seen")
        self.assertLess(time.monotonic() - started, 30)
        # (qemu's emulator tells Wine no trap number: the exception is then a generic one.)
        self.assertRegex(str(crash.exception), r"Unhandled exception 0x" if wine.emulated() else "division by zero")
        self.assertNotIn("winedbg.exe", {name_of(pid) for pid in s.processes()}, "a debugger was started")
