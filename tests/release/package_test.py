"""The release package: scripts/release twice gives the same bytes, and the zip holds the
program that was built, a readme for the same version, and the checksum that matches it.

    package_test.py SOURCE_DIR
"""

from __future__ import annotations

import hashlib
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

SOURCE = Path(sys.argv[1]).resolve() if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]


def release(out: Path) -> None:
    proc = subprocess.run([str(SOURCE / "scripts" / "release"), "--out", str(out)],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if proc.returncode != 0:
        raise AssertionError(f"scripts/release failed:\n{proc.stdout.decode(errors='replace')[-3000:]}")


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls) -> None:
        cls.tmp = tempfile.TemporaryDirectory(prefix="marisole-release-")
        cls.runs = [Path(cls.tmp.name) / "first", Path(cls.tmp.name) / "second"]
        for out in cls.runs:
            release(out)
        cls.version = (SOURCE / "build" / "win32" / "version.txt").read_text().strip()
        cls.zip = cls.runs[0] / f"MarisoleClock-{cls.version}-win32.zip"

    @classmethod
    def tearDownClass(cls) -> None:
        cls.tmp.cleanup()

    def test_two_runs_give_the_same_bytes(self):
        for name in (self.zip.name, "SHA256SUMS"):
            with self.subTest(file=name):
                self.assertEqual((self.runs[0] / name).read_bytes(), (self.runs[1] / name).read_bytes())
        self.assertEqual(sorted(p.name for p in self.runs[0].iterdir()), sorted([self.zip.name, "SHA256SUMS"]))

    def test_zip_unpacks_to_the_program_built_and_its_readme(self):
        program = (SOURCE / "build" / "win32" / "MarisoleClock.exe").read_bytes()
        with zipfile.ZipFile(self.zip) as archive:
            self.assertIsNone(archive.testzip())
            self.assertEqual(archive.namelist(), ["MarisoleClock.exe", "README.txt"])
            self.assertTrue(archive.read("MarisoleClock.exe") == program, "the zipped program is not the one built")
            readme = archive.read("README.txt")
        # The dialog's label and the package name come from one version.
        self.assertIn(f" Ver{self.version}".encode(), program)
        self.assertTrue(readme.startswith("\ufeff".encode()), "the readme has no byte order mark")
        self.assertNotIn(b"\n", readme.replace(b"\r\n", b""), "the readme has a line end other than CRLF")
        text = readme.decode("utf-8-sig")
        for needle in (f"Ver{self.version}", "Vo_Clock.ini", "終了", "設定画面", "options dialog", "drag"):
            with self.subTest(readme_mentions=needle):
                self.assertIn(needle, text)

    def test_checksum_file_matches_the_zip(self):
        digest = hashlib.sha256(self.zip.read_bytes()).hexdigest()
        self.assertEqual((self.runs[0] / "SHA256SUMS").read_text(), f"{digest}  {self.zip.name}\n")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
