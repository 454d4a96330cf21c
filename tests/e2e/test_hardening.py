"""DLL loading is confined to the system folder before the program does anything else.

Wine's relay trace logs the calls the program makes into the functions named here;
those it makes from its own code (return address inside its image, on its main thread)
must begin with SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), and no library
may be loaded by name at all. The same trace shows the settings reads at the platform's
boundary: three of them, each with a 64-character buffer, room for any value the
writers store.
"""

from __future__ import annotations

import re

from harness import ClockTest, labels

CLOCK = "^Form1$"
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
WATCHED = ["SetDefaultDllDirectories", "SetDllDirectoryW", "SetDllDirectoryA", "LoadLibraryA", "LoadLibraryW",
           "LoadLibraryExA", "LoadLibraryExW", "CreateMutexW", "GetModuleFileNameW", "GetPrivateProfileStringW"]


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
        s = self.session(registry={r"HKCU\Software\Wine\Debug": {"RelayInclude": relayed}})
        program = s.launch_with({"WINEDEBUG": "+relay,+loaddll,fixme-all"})
        s.wait_window(CLOCK)
        program.kill()
        calls = program_calls(program.output())
        self.assertTrue(calls, "no call of the program was traced")
        first, arguments = calls[0]
        self.assertEqual(first, "KERNEL32.SetDefaultDllDirectories", f"the program's first watched calls: {calls[:5]}")
        self.assertEqual(int(arguments, 16), LOAD_LIBRARY_SEARCH_SYSTEM32)
        self.assertEqual([c for c in calls if "LoadLibrary" in c[0]], [], "libraries loaded by name")
        # The trace is complete: the program went on to its own work after it.
        self.assertIn("KERNEL32.CreateMutexW", [name for name, _ in calls])
        # Each settings read hands the profile function a buffer of 64 characters, its size beside it
        # (the relay shows the whole register the 32-bit size travels in).
        reads = [args.split(",") for name, args in calls if name == "KERNEL32.GetPrivateProfileStringW"]
        self.assertEqual([args[1].split('"')[1] for args in reads], ["SIZE", "TOP", "LEFT"])
        self.assertEqual([int(args[4], 16) & 0xFFFFFFFF for args in reads], [64, 64, 64])
