"""Faults around the settings file: a file or folder that cannot be written, and a file
deleted while the clock runs. A failed save goes unnoticed and changes nothing; the
program goes on as if it had succeeded."""

from __future__ import annotations

import os
import stat
import subprocess
from pathlib import Path

from harness import ClockTest, labels, wait_for

CLOCK = "^Form1$"
DIALOG = "^About$"
NOON = "2026-01-01 09:45:30"

# Points of the options dialog's client area (pixels): its controls stand 8 px left of
# their layout places, because the picture box that holds them starts 120 twips left.
ON_TOP_BOX = (20, 64)
OK_BUTTON = (140, 100)
QUIT_BUTTON = (208, 100)


def settings(size: int, top: int, left: int) -> bytes:
    return f"[MAIN]\r\nSIZE={size}\r\nTOP={top}\r\nLEFT={left}\r\n".encode()


def fingerprint(path: Path) -> tuple[bytes, int] | None:
    """The file's bytes and modification time, or None when there is no file."""
    try:
        return path.read_bytes(), path.stat().st_mtime_ns
    except FileNotFoundError:
        return None


class Faults(ClockTest):
    def make_read_only(self, path: Path) -> None:
        """Makes path (a file or a folder) read-only for the program until the test ends.

        The permission bits give the file Windows' read-only attribute; as root Wine would
        still write through them, so there the file or folder is made immutable as well.
        (Should a run be killed outright, `chattr -R -i build/native/tests/e2e/sessions`
        lets its folder be removed.)
        """
        mode = stat.S_IMODE(path.stat().st_mode)
        os.chmod(path, mode & ~0o222)
        self.addCleanup(os.chmod, path, mode)
        if os.geteuid() == 0:
            done = subprocess.run(["chattr", "+i", str(path)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            if done.returncode != 0:
                self.fail(f"cannot make {path} read-only for root here (chattr +i: {done.stdout.decode().strip()}); "
                          "run the tests as an ordinary user, or from a file system with immutable files (ext4, xfs)")
            self.addCleanup(subprocess.run, ["chattr", "-i", str(path)], check=True)

    def fill_small_disk(self, s) -> Path:
        """Puts the program folder on a tmpfs of its own, a little larger than what it holds,
        and fills that up to the last block; returns the filler file, whose removal makes room.
        Unmounted when the test ends (lazily, should a program still have it open)."""
        held = {p.name: p.read_bytes() for p in s.folder.iterdir()}
        room = sum(-(-len(data) // 4096) * 4096 for data in held.values()) + 64 * 1024
        subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={room},mode=0755", "tmpfs", str(s.folder)], check=True)

        def unmount() -> None:
            final = s.read_settings()
            if subprocess.run(["umount", str(s.folder)], stderr=subprocess.DEVNULL).returncode != 0:
                subprocess.run(["umount", "-l", str(s.folder)], check=True)
            if final is not None:
                s.write_settings(final)  # so the session keeps the file as the test left it

        self.addCleanup(unmount)
        for name, data in held.items():
            (s.folder / name).write_bytes(data)
        filler = s.folder / "filler"
        with open(filler, "wb", buffering=0) as out:
            try:
                while out.write(b"\0" * 4096):
                    pass
            except OSError:
                pass
        left = os.statvfs(s.folder)
        self.assertEqual(left.f_bavail, 0, "the small disk is full")
        return filler

    def open_dialog(self, s, clock):
        """Right-clicks the clock's face and returns the options dialog."""
        x, y = clock.geometry().centre
        s.click(x + 40, y + 40, button=3)  # off the hands' pivot; any point of the face will do
        dialog = s.wait_window(DIALOG)
        wait_for(dialog.is_viewable, 10, "the dialog to be shown")
        return dialog

    def click_in(self, s, window, point: tuple[int, int]) -> None:
        rect = window.geometry()
        s.click(rect.x + point[0], rect.y + point[1])

    def drag_clock(self, s, clock, dx: int, dy: int) -> None:
        before = clock.geometry()
        x, y = before.x + 60, before.y + 60  # on the face, away from the hands
        s.drag((x, y), (x + dx, y + dy))
        wait_for(lambda: (lambda r: (r.x, r.y) == (before.x + dx, before.y + dy))(clock.geometry()), 10,
                 f"the clock to follow the drag by ({dx}, {dy})")

    def use_the_clock_and_quit(self, s, program, clock, untouched) -> None:
        """Drags the clock, puts it on top with "O K", then quits from the dialog; after each
        step nothing has changed on disk and the program is still there until it quits."""
        self.drag_clock(s, clock, 90, 60)
        self.assertTrue(program.running, "the program must survive a failed save after a drag")
        self.assertEqual(untouched(), True, "the drag must change nothing on disk")

        dialog = self.open_dialog(s, clock)
        self.click_in(s, dialog, ON_TOP_BOX)
        self.click_in(s, dialog, OK_BUTTON)
        s.wait_no_window(DIALOG)
        wait_for(lambda: clock.above, 10, "the clock to go on top after O K")
        self.assertTrue(program.running, "the program must survive a failed save on O K")
        self.assertEqual(untouched(), True, "O K must change nothing on disk")
        s.screenshot("on top after O K")

        dialog = self.open_dialog(s, clock)
        self.click_in(s, dialog, QUIT_BUTTON)
        self.assertEqual(program.wait(20), 0, "quitting must end the program normally")
        self.assertEqual(untouched(), True, "quitting must change nothing on disk")
        self.assertNotRegex(program.output(), r"(?i)unhandled|page fault|exception")

    @labels("reliability")
    def test_read_only_settings_file_stays_as_it_was(self):
        stored = settings(0, 1500, 1500)
        s = self.session(time=NOON, ini=stored)
        self.make_read_only(s.settings_path)
        before = fingerprint(s.settings_path)
        program = s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (100, 100, 480, 480))
        self.use_the_clock_and_quit(s, program, clock, lambda: fingerprint(s.settings_path) == before)
        self.assertEqual(s.read_settings(), stored)

    @labels("reliability")
    def test_read_only_folder_gets_no_settings_file(self):
        s = self.session(time=NOON)
        self.make_read_only(s.folder)
        before = sorted(os.listdir(s.folder))
        program = s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (0, 0, 480, 480))
        self.use_the_clock_and_quit(s, program, clock, lambda: sorted(os.listdir(s.folder)) == before)
        self.assertIsNone(s.read_settings())

    @labels("reliability")
    def test_settings_file_deleted_while_running_is_written_anew(self):
        s = self.session(time=NOON, ini=settings(2, 1500, 3000))
        program = s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (200, 100, 237, 237))
        s.settings_path.unlink()

        # The end of a drag saves the position: a new file holds it.
        self.drag_clock(s, clock, 100, 50)
        # TOP and LEFT are two writes; the file may be read between them.
        written = wait_for(lambda: (data := s.read_settings()) and b"LEFT=" in data and data, 10,
                           "a new settings file with both keys after the drag")
        self.assertIn(b"TOP=2250", written)
        self.assertIn(b"LEFT=4500", written)

        # Deleted again, then quit: the size and the position are written anew.
        s.settings_path.unlink()
        dialog = self.open_dialog(s, clock)
        self.click_in(s, dialog, QUIT_BUTTON)
        self.assertEqual(program.wait(20), 0)
        written = s.read_settings()
        self.assertIsNotNone(written, "quitting must write a new settings file")
        for line in (b"SIZE=2", b"TOP=2250", b"LEFT=4500"):
            self.assertIn(line, written)

        # And the next start reads it back.
        s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (300, 150, 237, 237))
        s.screenshot("restarted where it was left", clock.geometry(), still=True)

    @labels("reliability")
    def test_full_disk_keeps_the_settings_file_whole(self):
        # Our section and another program's, 4,093 bytes in all, on a full disk: every save would
        # make the file a few bytes longer than the block it has, and a rewrite cut short there
        # would lose the other section's tail.
        other = b"[OTHER]\r\n" + b"".join(b"NOTE%03d=kept as it was, word for word, to the end\r\n" % i
                                           for i in range(72))
        stored = b"[MAIN]\r\nSIZE=0\r\nTOP=0\r\nLEFT=0\r\n" + other
        stored += b"LAST=" + b"x" * (4093 - len(stored) - 7) + b"\r\n"
        self.assertEqual(len(stored), 4093)
        s = self.session(time=NOON, ini=stored)
        filler = self.fill_small_disk(s)
        before = fingerprint(s.settings_path)
        program = s.launch()
        clock = s.wait_window(CLOCK)
        self.assertRectEqual(clock.geometry(), (0, 0, 480, 480))
        self.use_the_clock_and_quit(s, program, clock, lambda: fingerprint(s.settings_path) == before)

        # With room on the disk the same saves go through, and the other section stays whole.
        filler.unlink()
        program = s.launch()
        clock = s.wait_window(CLOCK)
        self.drag_clock(s, clock, 90, 60)
        dialog = self.open_dialog(s, clock)
        self.click_in(s, dialog, QUIT_BUTTON)
        self.assertEqual(program.wait(20), 0)
        saved = s.read_settings()
        self.assertIn(b"[MAIN]\r\nSIZE=0\r\nTOP=900\r\nLEFT=1350\r\n", saved)
        self.assertTrue(saved.endswith(other[other.index(b"NOTE071"):] + stored[stored.index(b"LAST="):]), saved[-200:])
