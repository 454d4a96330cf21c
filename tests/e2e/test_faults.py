"""Faults around the settings file: a file or folder that cannot be written, a file deleted
while the clock runs, a full disk, a file another program holds, a save cut off. A failed save
goes unnoticed and changes nothing; the program goes on as if it had succeeded; a save happens
whole or not at all."""

from __future__ import annotations

import os
import random
import re
import signal
import stat
import threading
import time
import zlib
from pathlib import Path

from harness import ClockTest, labels, timeout, unsized_share, wait_for, wine

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


HELD = settings(3, 4500, 6000)  # the small clock, on top, at (400, 300)
DEAD = 4000000  # a process id no Wine process has


def copy_name(process: int, text: bytes) -> str:
    """The name of the copy a save by that process of that text writes beside the file."""
    return f".Vo_Clock.ini.{process}-{len(text)}-{zlib.crc32(text):08x}.saving"


def leave_copy(s, data: bytes, of: bytes, file: bool = True) -> None:
    """A copy a process that has since ended left while saving the text of (cut: data is less);
    the file stays, or is gone as a replace cut off late leaves it."""
    (s.folder / copy_name(DEAD, of)).write_bytes(data)
    if not file:
        s.settings_path.unlink()


def link_settings(s, hard: bool) -> Path:
    """The settings file kept in another folder, the program's file a link to it (a relative
    symbolic link, or a hard link); returns the file linked to."""
    kept = s.dir / "synced" / "Vo_Clock.ini"
    kept.parent.mkdir()
    s.settings_path.rename(kept)
    if hard:
        os.link(kept, s.settings_path)
    else:
        s.settings_path.symlink_to(Path("..") / "synced" / "Vo_Clock.ini")
    return kept


def fingerprint(path: Path) -> tuple[bytes, int] | None:
    """The file's bytes and modification time, or None when there is no file."""
    try:
        return path.read_bytes(), path.stat().st_mtime_ns
    except FileNotFoundError:
        return None


class Faults(ClockTest):
    def make_read_only(self, path: Path) -> None:
        """Makes path (a file or a folder) read-only for the program until the test ends.

        The permission bits give the file Windows' read-only attribute. (Wine started as root
        gives up the capabilities that would write through them, see wine.spawn_options.)
        """
        mode = stat.S_IMODE(path.stat().st_mode)
        os.chmod(path, mode & ~0o222)
        self.addCleanup(os.chmod, path, mode)

    def fill_small_disk(self, s, spare: int = 64 * 1024) -> Path:
        """Puts the program folder on a tmpfs of its own, spare bytes larger than what it holds,
        and fills that up to the last block; returns the filler file, whose removal makes room.
        Unmounted when the test ends (lazily, should a program still have it open)."""
        held = {p.name: p.read_bytes() for p in s.folder.iterdir()}
        room = sum(-(-len(data) // 4096) * 4096 for data in held.values()) + spare
        wine.mount("tmpfs", str(s.folder), fstype="tmpfs", data=f"size={room},mode=0755")

        def unmount() -> None:
            final = s.read_settings()
            wine.unmount(str(s.folder))
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

    # -- saves that happen whole or not at all ------------------------------------------------
    def hold(self, s, release):
        """Another program holds the settings file open, shared with no one, from before the start
        until release() says so (then it ends, letting go)."""
        holder = s.launch_tool("HoldFile.exe", "Z:" + str(s.settings_path).replace("/", "\\"), "-1")
        wait_for(lambda: "held" in holder.output(), 30, "the other program to hold the file")
        return lambda: (release(), holder.kill())

    def unsized_share(self, s) -> None:
        """The program folder served through FUSE with a volume query that fails."""
        backing = s.dir / "share"
        s.folder.rename(backing)
        s.folder.mkdir()
        # Served from a child of the harness that runs no other program, so that it keeps the
        # right to mount that the harness has in its namespace.
        share = os.fork()
        if share == 0:
            try:
                os.dup2(os.open(os.devnull, os.O_WRONLY), 2)
                unsized_share.serve(str(backing), str(s.folder))
            finally:
                os._exit(0)
        def stop() -> None:
            wine.unmount(str(s.folder))
            for _ in range(100):  # it ends once nothing holds the share any more
                if os.waitpid(share, os.WNOHANG)[0]:
                    return
                time.sleep(0.1)
            os.kill(share, signal.SIGKILL)
            os.waitpid(share, 0)

        self.addCleanup(stop)
        wait_for(lambda: os.path.ismount(s.folder), 10, "the share to be mounted")
        with self.assertRaises(OSError, msg="the share's free space must be unreadable"):
            os.statvfs(s.folder)

    def save_started(self, s):
        """A predicate: true once a save has begun, its copy made or the file itself touched."""
        def state():
            st = s.settings_path.stat()
            return st.st_size, st.st_mtime_ns
        before = state()
        return lambda: any(s.folder.glob(".Vo_Clock.ini.*.saving")) or state() != before

    def fill_as_a_save_begins(self, s) -> None:
        """A small disk that another program fills the moment a save begins."""
        self.fill_small_disk(s, spare=4 << 20).unlink()
        done = threading.Event()
        self.addCleanup(done.set)
        started = self.save_started(s)

        def fill():
            while not done.is_set() and not started():
                time.sleep(0.0005)
            with open(s.folder / "filler", "wb") as out:
                left = os.statvfs(s.folder)
                os.posix_fallocate(out.fileno(), 0, left.f_bavail * left.f_frsize)

        threading.Thread(target=fill, daemon=True).start()

    @labels("reliability")
    @timeout(300)
    def test_saves_are_whole_or_nothing(self):
        other = b"[OTHER]\r\n" + b"".join(b"NOTE%05d=kept word for word\r\n" % i for i in range(30000))
        # The fault made before the start, and what then comes once the program runs; where the
        # clock stands; the file after a drag by (90, 60) and "終了"; what else must hold then.
        # Nothing else is left in the folder.
        def still_linked(hard: bool, old: bytes, new: bytes):
            def check(s, kept: Path) -> None:
                self.assertEqual(kept.read_bytes(), new if not hard else old, "the file linked to")
                self.assertEqual(s.settings_path.is_symlink(), not hard, "a symbolic link stays one")
                self.assertEqual(os.listdir(kept.parent), ["Vo_Clock.ini"], "no copy beside the file linked to")
            return check

        long_folder = "長い" * 40 + "/" + "x" * 120  # with the session's own folder, a path of over 300
        rows = [
            ("a folder that takes no new files, its file writable", settings(0, 1500, 1500),
             lambda s: self.make_read_only(s.folder), (100, 100, 480, 480), settings(0, 2400, 2850)),
            ("a copy left by a save cut off", settings(0, 1500, 1500),
             lambda s: leave_copy(s, b"[MAIN]\r\nSIZE=0\r\nTO", settings(0, 2400, 2850)), (100, 100, 480, 480),
             settings(0, 2400, 2850)),
            # A replace cut off late, the file taken away: the whole copy takes its place at the start.
            ("a whole copy left by a save cut off, the file gone", settings(0, 1500, 1500),
             lambda s: leave_copy(s, settings(2, 1500, 3000), settings(2, 1500, 3000), file=False),
             (200, 100, 237, 237), settings(2, 2400, 4350)),
            ("the file a symbolic link to another folder", settings(0, 1500, 1500),
             lambda s: link_settings(s, hard=False), (100, 100, 480, 480), settings(0, 2400, 2850),
             {"check": still_linked(False, settings(0, 1500, 1500), settings(0, 2400, 2850))}),
            # A hard link is parted from: the file the program names takes the save whole, the other
            # name keeps the old bytes whole.
            ("the file a hard link", settings(0, 1500, 1500), lambda s: link_settings(s, hard=True),
             (100, 100, 480, 480), settings(0, 2400, 2850),
             {"check": still_linked(True, settings(0, 1500, 1500), settings(0, 2400, 2850))}),
            ("a settings path of over 300 characters", settings(0, 1500, 1500), lambda s: None,
             (100, 100, 480, 480), settings(0, 2400, 2850), {"folder": long_folder}),
            ("a share whose free space cannot be read", settings(0, 1500, 1500), self.unsized_share,
             (100, 100, 480, 480), settings(0, 2400, 2850)),
            # TOP and LEFT both old or both new.
            ("a disk filled as a save begins", settings(0, 0, 0) + other, self.fill_as_a_save_begins,
             (0, 0, 480, 480),
             re.compile(rb"\[MAIN]\r\nSIZE=0\r\n(TOP=0\r\nLEFT=0|TOP=900\r\nLEFT=1350)\r\n" + re.escape(other))),
            ("held for a second at start-up", HELD,
             lambda s: self.hold(s, lambda: (s.wait_for(lambda: s.display.find(DIALOG, visible=False), 30,
                                                        "the hidden dialog"), time.sleep(1))),
             (400, 300, 237, 237), settings(3, 5400, 7350)),
            # Let go once the clock shows the defaults: the size never read stays the user's.
            ("held through start-up", HELD, lambda s: self.hold(s, lambda: s.wait_window(CLOCK, timeout=60)),
             (0, 0, 480, 480), settings(3, 900, 1350)),
        ]
        for name, ini, fault, rect, saved, *more in rows:
            extra = more[0] if more else {}
            with self.subTest(name):
                s = self.session(time=NOON, ini=ini, **({"folder": extra["folder"]} if "folder" in extra else {}))
                then = fault(s)
                program = s.launch()
                if callable(then):
                    then()
                clock = s.wait_window(CLOCK, timeout=60)
                s.wait_for(lambda: tuple(clock.geometry()) == rect, 10, f"the clock at {rect}")
                self.drag_clock(s, clock, 90, 60)
                self.click_in(s, self.open_dialog(s, clock), QUIT_BUTTON)
                self.assertEqual(program.wait(60), 0)
                final = s.read_settings()
                if isinstance(saved, bytes):
                    self.assertEqual(final, saved)
                else:
                    self.assertRegex(final, saved)
                self.assertEqual(sorted(p.name for p in s.folder.iterdir() if p.name != "filler"),
                                 ["MarisoleClock.exe", "Vo_Clock.ini"])
                if "check" in extra:
                    extra["check"](s, then)
                if "folder" in extra:  # and the next start reads it back
                    s.launch()
                    self.assertRectEqual(s.wait_window(CLOCK, timeout=60).geometry(), (190, 160, 480, 480))

    @labels("reliability")
    def test_a_save_killed_midway_leaves_the_file_whole(self):
        other = b"[OTHER]\r\n" + b"x=" + b"y" * (20 << 20) + b"\r\n"
        stored, moved = settings(2, 1500, 3000) + other, settings(2, 2400, 4350) + other
        s = self.session(time=NOON, ini=stored)
        program = s.launch()
        clock = s.wait_window(CLOCK)
        started = self.save_started(s)
        self.drag_clock(s, clock, 90, 60)
        wait_for(started, 30, "the save to begin")
        time.sleep(random.uniform(0, 0.3))
        program.kill()
        final = s.read_settings()
        self.assertIn(final, (stored, moved), "the file must be the old one or the new one, whole")
        s.launch()
        self.assertRectEqual(s.wait_window(CLOCK).geometry(),
                             (200, 100, 237, 237) if final == stored else (290, 160, 237, 237))
        # A copy the kill cut short is gone with the next start.
        self.assertEqual(sorted(p.name for p in s.folder.iterdir()), ["MarisoleClock.exe", "Vo_Clock.ini"])

    def test_a_dialog_out_of_the_work_area_comes_into_it(self):
        # A panel takes the screen below y 300, where the dialog would stand, centred. (Wine tells
        # a running program of no change of the desk, so this is how a desk that leaves the dialog
        # out of reach is made for it: one it reads at the start.)
        s = self.session(time=NOON, work_area=(0, 0, 1024, 300))
        s.launch()
        clock = s.wait_window(CLOCK)
        frame = self.open_dialog(s, clock).frame_geometry()
        self.assertTrue(frame.y >= 0 and frame.bottom <= 300, f"the dialog at {frame}, out of the work area")
        self.assertRectEqual(clock.geometry(), (0, 0, 480, 480))
