"""The choice of end-to-end runs for every kind of machine, none of which the test needs."""

import unittest

from harness.machine import Facts, Run, plan

SHORT = ("short",)
FULL_WOW64 = Run("wine10-win32", "wow64")
FULL_EMULATED = Run("wine10-win32", "classic", skip=("slow", "corpus"), emulated=True)
WINE8_SHORT = Run("wine8-win64", "native", only=SHORT)
WINE8_REST = Run("wine8-win64", "native", only=("short", "slow", "corpus"))
WINE10_64 = Run("wine10-win64", "native", only=SHORT)


def facts(runs32=True, rdtscp=False, root=True, binfmt_ns=False):
    return Facts(kernel_runs_32_bit=runs32, rdtscp=rdtscp, root=root, binfmt_in_namespace=binfmt_ns)


class Plan(unittest.TestCase):
    def test_runs_of_each_machine(self):
        rows = [
            # (what the machine is, its facts, runs, emulator, namespaces)
            ("32-bit kernel, root", facts(), [FULL_WOW64, WINE8_SHORT, WINE10_64], "none", "mount"),
            # The frozen clock never reaches Wine's own processes: rdtscp changes nothing.
            ("32-bit kernel, rdtscp", facts(rdtscp=True), [FULL_WOW64, WINE8_SHORT, WINE10_64], "none", "mount"),
            ("32-bit kernel, a sudo user", facts(root=False), [FULL_WOW64, WINE8_SHORT, WINE10_64], "none", "user"),
            ("no 32-bit code, Linux 6.7 or later", facts(runs32=False, binfmt_ns=True),
             [FULL_EMULATED, WINE8_REST, WINE10_64], "namespace", "user"),
            ("no 32-bit code, older Linux, root", facts(runs32=False),
             [FULL_EMULATED, WINE8_REST, WINE10_64], "global", "mount"),
            ("no 32-bit code, older Linux, a sudo user", facts(runs32=False, root=False, rdtscp=True),
             [FULL_EMULATED, WINE8_REST, WINE10_64], "global", "user"),
        ]
        for what, given, runs, emulator, namespace in rows:
            with self.subTest(what):
                got = plan(given)
                self.assertEqual(list(got.runs), runs)
                self.assertEqual((got.emulator, got.namespace), (emulator, namespace))
                # Whatever the machine, the release program gets one full run, first, under Wine 10,
                # and both Wines and both builds run.
                self.assertEqual(got.runs[0].name, "wine10-win32")
                self.assertFalse(got.runs[0].only)
                self.assertEqual({r.name.split("-")[0] for r in got.runs}, {"wine8", "wine10"})
                self.assertEqual({r.name.split("-")[1] for r in got.runs}, {"win32", "win64"})


if __name__ == "__main__":
    unittest.main()
