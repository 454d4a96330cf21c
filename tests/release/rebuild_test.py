"""Rebuilding gives the same Windows programs byte for byte, wherever the sources lie.

    rebuild_test.py SOURCE_DIR PRESET...

Copies the sources (the files git knows, as they are in the work tree: what a clean clone
of them holds) into a folder of another name and depth, builds each preset there from
nothing, and compares the program with SOURCE_DIR/build/<preset>/MarisoleClock.exe, which
must be current (scripts/run-tests builds it just before). Neither tree's path may appear
in either program.
"""

from __future__ import annotations

import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SOURCE = Path(sys.argv[1]).resolve() if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]
PRESETS = sys.argv[2:] or ["win32", "win64"]


def tracked_files(root: Path) -> list[str]:
    out = subprocess.run(["git", "-C", str(root), "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                         check=True, stdout=subprocess.PIPE).stdout.decode()
    return [name for name in out.split("\0") if name and (root / name).is_file()]


def copy_sources(root: Path, dest: Path) -> None:
    for name in tracked_files(root):
        target = dest / name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(root / name, target)


def differing_offsets(a: bytes, b: bytes, limit: int = 8) -> list[str]:
    if len(a) != len(b):
        return [f"sizes {len(a)} and {len(b)}"]
    offsets = [i for i in range(len(a)) if a[i] != b[i]]
    return [f"0x{i:x}: {a[i]:02x} != {b[i]:02x}" for i in offsets[:limit]] + (
        [f"... {len(offsets)} bytes in all"] if len(offsets) > limit else [])


class Rebuild(unittest.TestCase):
    @classmethod
    def setUpClass(cls) -> None:
        cls.tmp = tempfile.TemporaryDirectory(prefix="marisole-rebuild-")
        # Another name and another depth, so that any path baked into the program shows.
        cls.copy = Path(cls.tmp.name) / "elsewhere" / "clone"
        copy_sources(SOURCE, cls.copy)

    @classmethod
    def tearDownClass(cls) -> None:
        cls.tmp.cleanup()

    def test_each_preset_rebuilds_to_the_same_bytes(self):
        for preset in PRESETS:
            with self.subTest(preset=preset):
                shipped = SOURCE / "build" / preset / "MarisoleClock.exe"
                self.assertTrue(shipped.is_file(), f"{shipped} is missing: build the {preset} preset first")
                for argv in (["cmake", "--preset", preset], ["cmake", "--build", "--preset", preset, "-j", "2"]):
                    proc = subprocess.run(argv, cwd=self.copy, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                    self.assertEqual(proc.returncode, 0, f"{' '.join(argv)} failed:\n{proc.stdout.decode()[-3000:]}")
                rebuilt = self.copy / "build" / preset / "MarisoleClock.exe"
                a, b = shipped.read_bytes(), rebuilt.read_bytes()
                for program, data in ((shipped, a), (rebuilt, b)):
                    for root in (SOURCE, self.copy):
                        self.assertNotIn(str(root).encode(), data, f"{program} holds the path {root}")
                        self.assertNotIn(str(root).encode("utf-16-le"), data, f"{program} holds the path {root}")
                self.assertTrue(a == b, f"{preset}: {shipped} and {rebuilt} differ at "
                                + ", ".join(differing_offsets(a, b)))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
