"""DLL loading is confined to the system folder before the program does anything else.

Wine's relay trace logs the calls the program makes into the functions named here;
those it makes from its own code (return address inside its image, on its main thread)
must begin with SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), and every library
the program loads itself must be a system library taken from the system folder alone:
LoadLibraryExW with a bare file name and LOAD_LIBRARY_SEARCH_SYSTEM32 as its only flag.
The test runs at 150%, where the picture decoder loads ole32, so that rule is seen at
work. The same trace shows the settings read at the platform's boundary: the file opened
once, to read it, in the \\?\ form that takes a path of any length.
"""

from __future__ import annotations

import re

from harness import ClockTest, labels

CLOCK = "^Form1$"
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
WATCHED = ["SetDefaultDllDirectories", "SetDllDirectoryW", "SetDllDirectoryA", "LoadLibraryA", "LoadLibraryW",
           "LoadLibraryExA", "LoadLibraryExW", "CreateMutexW", "GetModuleFileNameW", "CreateFileW"]


def program_calls(log: str) -> list[tuple[str, str]]:
    """(function, arguments) of the watched calls the program's own code made, in order."""
    loaded = re.search(r'^(\w+):trace:loaddll:\w+ Loaded L"[^"]*MarisoleClock\.exe" at ([0-9A-Fa-f]+)', log, re.M)
    if not loaded:
        raise AssertionError("the trace does not show the program loaded")
    thread, base = loaded.group(1), int(loaded.group(2), 16)
    # The image is well under 16 MiB; the DLLs sit far from it.
    return [(function, arguments)
            for tid, function, arguments, ret in re.findall(r"^(\w+):Call ([\w.]+)\((.*)\) ret=([0-9A-Fa-f]+)$", log, re.M)
            if tid == thread and base <= int(ret, 16) < base + (16 << 20)]


class Hardening(ClockTest):
    @labels("security")
    def test_dll_search_is_confined_before_anything_else(self):
        relayed = ";".join(f"kernel32.{name}" for name in WATCHED)
        s = self.session(time="2026-01-01 09:45:30",
                         registry={r"HKCU\Software\Wine\Debug": {"RelayInclude": relayed},
                                   r"HKCU\Control Panel\Desktop": {"LogPixels": 144}})
        program = s.launch_with({"WINEDEBUG": "+relay,+loaddll,fixme-all"})
        clock = s.wait_window(CLOCK)
        s.screenshot("the clock drawn at 150%", clock.geometry(), still=True)  # the pictures decoded
        program.kill()
        calls = program_calls(program.output())
        self.assertTrue(calls, "no call of the program was traced")
        first, arguments = calls[0]
        self.assertEqual(first, "KERNEL32.SetDefaultDllDirectories", f"the program's first watched calls: {calls[:5]}")
        self.assertEqual(int(arguments, 16), LOAD_LIBRARY_SEARCH_SYSTEM32)
        loads = [(name, arguments.split(",")) for name, arguments in calls if "LoadLibrary" in name]
        self.assertIn("ole32.dll", [re.sub(r'^.*L"|"$', "", args[0]).lower() for _, args in loads],
                      "the picture decoder must have loaded ole32 at 150%")
        for name, args in loads:
            self.assertEqual(name, "KERNEL32.LoadLibraryExW", f"a library loaded otherwise: {name}({args})")
            self.assertNotRegex(args[0], r"[\\/:]", "a library named with a path")
            self.assertEqual(int(args[2], 16) & 0xFFFFFFFF, LOAD_LIBRARY_SEARCH_SYSTEM32,
                             f"a library not confined to the system folder: {args}")
        # The trace is complete: the program went on to its own work after it.
        self.assertIn("KERNEL32.CreateMutexW", [name for name, _ in calls])
        # The settings file is opened once, for reading (GENERIC_READ; the relay shows the whole
        # register the 32-bit access travels in).
        opens = [args.split(",") for name, args in calls if name == "KERNEL32.CreateFileW" and "Vo_Clock.ini" in args]
        self.assertEqual(len(opens), 1, f"the settings file opened more than once: {opens}")
        self.assertRegex(opens[0][0], r'L"\\+\?\\+', "the path not in the \\\\?\\ form")
        self.assertEqual(int(opens[0][1], 16) & 0xFFFFFFFF, 0x80000000)
