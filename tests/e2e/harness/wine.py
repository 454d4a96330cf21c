"""Wine prefixes for the tests: one template per build tree, one cheap copy per test.

Creating a prefix (`wineboot --init`) takes many seconds and Debian's Wine
fills it with about 700 MB of real DLLs, so the template is made once and
each test gets a copy in which the files Wine never rewrites (programs,
libraries, code-page tables) are hard links and everything else (registry,
ini files, user folders) is a real copy the test may change freely.
"""

from __future__ import annotations

import ctypes
import errno
import fcntl
import os
import shutil
import signal
import subprocess
import tempfile
from pathlib import Path

# Which Wine runs which build of the program. CTest sets both per test; one process of the
# harness serves one run, named "<wine>-<build>" (wine10-win32, wine8-win64...):
#
# - MARISOLE_E2E_WINE: "wine8", Debian 12's Wine on this machine, or "wine10", Debian trixie's
#   Wine in the root that scripts/lib.sh makes (MARISOLE_WINE10_ROOT), run in a chroot.
# - MARISOLE_E2E_ARCH: the build of the program, "win32" (the release program) or "win64".
#
# Every prefix is a 64-bit one, as almost every Windows the 32-bit program meets is 64-bit.
# Wine 8 runs the 64-bit program with wine64. Wine 10 runs both: a 32-bit program in wine64's own
# 64-bit process (WoW64 mode), its 32-bit PE DLLs found through WINEDLLPATH, so that no 32-bit
# Linux program or library is involved; or, where the kernel runs no 32-bit code and WoW64 mode
# cannot work, under the root's classic 32-bit loader, which qemu's user-mode emulator runs
# (Wine's services stay 64-bit). machine.py chooses.
WINE_NAME = os.environ.get("MARISOLE_E2E_WINE", "wine8")
ARCH = os.environ.get("MARISOLE_E2E_ARCH", "win64")
# How the run's Wine runs the program (machine.py chooses; CTest passes it on): "wow64" or
# "classic" for Wine 10 and the 32-bit program, "native" otherwise.
LOADER = os.environ.get("MARISOLE_E2E_LOADER") or ("wow64" if (WINE_NAME, ARCH) == ("wine10", "win32") else "native")
# Whether 32-bit programs of this run reach qemu's emulator through a binfmt_misc of the test's
# own user namespace ("namespace"), one that scripts/run-tests registered ("global"), or not at all.
EMULATOR = os.environ.get("MARISOLE_E2E_EMULATOR", "none")
_CLASSIC = "/opt/wine32/lib/wine"
CLASSIC_LOADER = f"{_CLASSIC}/wine"
_LOADERS = {("wine8", "win64", "native"): "/usr/lib/wine/wine64",
            ("wine10", "win32", "wow64"): "/usr/lib/wine/wine64", ("wine10", "win32", "classic"): CLASSIC_LOADER,
            ("wine10", "win64", "native"): "/usr/lib/wine/wine64"}
if (WINE_NAME, ARCH, LOADER) not in _LOADERS:
    raise SystemExit(f"MARISOLE_E2E_WINE={WINE_NAME!r} MARISOLE_E2E_ARCH={ARCH!r} MARISOLE_E2E_LOADER={LOADER!r}: "
                     "expected wine8 or wine10, win32 or win64, and a loader the two have")
RUN = f"{WINE_NAME}-{ARCH}"
# The loader and the server, as paths inside the root for Wine 10.
WINE = _LOADERS[WINE_NAME, ARCH, LOADER]
# Wine 8: Debian's script starts the 64-bit wineserver, which serves 32-bit programs too.
WINESERVER = "/usr/lib/wine/wineserver"
PREFIX_ARCH = "win64"
# The 64-bit loader that makes the prefix and boots each session: for the classic Wine 10 the
# copy beside its 32-bit loader, which hands that the prefix's 32-bit half.
BOOT_LOADER = f"{_CLASSIC}/wine64" if LOADER == "classic" else _LOADERS[WINE_NAME, "win64", "native"]
# A 32-bit loader: 32-bit Linux code, which the emulator runs where the kernel runs none.
LOADER_32 = WINE.endswith("/wine")


def emulated() -> bool:
    """Whether the 32-bit Wine loader of this run runs under the emulator."""
    return LOADER_32 and EMULATOR != "none"
# The root Wine 10 runs in (a link to the root of the current recipe, resolved once, so that a
# new root made meanwhile does not change under a running test).
ROOT: Path | None = None
if WINE_NAME == "wine10":
    ROOT = Path(os.path.realpath(os.environ.get("MARISOLE_WINE10_ROOT", "/var/cache/marisole/wine10")))
# Where the harness builds the view of the root that Wine 10's processes are chrooted into.
VIEW: Path | None = ROOT / "mnt" if ROOT else None
# Inside the root: i386-windows (the 32-bit PE DLLs) and x86_64-unix (the Unix side they call).
WOW64_DLL_PATH = "/usr/local/lib/wow64"
# "$LIB" is expanded by each process's own dynamic loader (lib/x86_64-linux-gnu or
# lib/i386-linux-gnu), so one setting preloads the matching libfaketime into every Wine
# process: the program, 32-bit or 64-bit, which reads the wall clock itself, and the 64-bit
# wineserver, whose timers follow the monotonic clock when that is faked too. In the root,
# its own 64-bit libfaketime serves Wine 10's processes, all of them 64-bit.
FAKETIME_LIB = "/usr/$LIB/faketime/libfaketime.so.1"


def host_path(path: str | Path) -> Path:
    """A path of the Wine's file system (inside the root's view for Wine 10) as the harness sees it."""
    return VIEW / str(path).lstrip("/") if VIEW else Path(path)


# -- the test's namespaces and the Wine 10 root ---------------------------------------------
# Each harness process enters namespaces of its own before it starts anything: a mount namespace
# (as root), or a user namespace with its mount namespace (as any other user, who may mount and
# chroot there). What it mounts (a test's small disk, the view of the Wine 10 root) is private to
# it and vanishes with its processes, whatever ends them.
#
# Wine 10's processes run chrooted into a view of the root: a tmpfs on the root's empty /mnt,
# holding the root's own folders bound in, /proc, /dev, /sys, the X sockets, a /tmp of the test's
# own, and the test's folders at their own paths, so that a path means the same inside and out.
_MS_BIND, _MS_REC, _MS_PRIVATE, _MS_SHARED = 0x1000, 0x4000, 1 << 18, 1 << 20
_MNT_DETACH = 2
_shared: list[Path] = []
_entered = False
# Where binfmt_misc hands 32-bit programs to the emulator (in the test's user namespace, or the
# machine's, see machine.py).
EMULATOR_ENTRY = Path("/proc/sys/fs/binfmt_misc/marisole-i386")
# The ELF header of a 32-bit x86 program, and the mask of what counts in it.
_ELF_386 = (r"\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00",
            r"\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff")


def mount(source: str | None, target: str, flags: int = 0, fstype: str | None = None, data: str | None = None) -> None:
    """mount(2) from this process, which holds the namespace's capabilities (a mount program it
    started would not, as an ordinary user)."""
    enter()
    libc = ctypes.CDLL(None, use_errno=True)
    args = [x.encode() if x else None for x in (source, target, fstype)]
    if libc.mount(args[0], args[1], args[2], ctypes.c_ulong(flags), data.encode() if data else None) != 0:
        error = ctypes.get_errno()
        raise OSError(error, f"mount {source} on {target}: {os.strerror(error)}")


def unmount(target: str) -> None:
    """Detaches a mount of this process's namespace (lazily, should a program still have it open)."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.umount2(target.encode(), _MNT_DETACH) != 0:
        error = ctypes.get_errno()
        raise OSError(error, f"umount {target}: {os.strerror(error)}")


def enter() -> None:
    """Moves the harness into namespaces of its own (see above); once per process."""
    global _entered
    if _entered:
        return
    from . import machine
    if machine.namespace_for(os.geteuid() == 0, EMULATOR) == "user":
        # The namespace's own binfmt_misc belongs to its root.
        machine.enter_user_namespace(as_root=EMULATOR == "namespace" and LOADER_32)
    else:
        libc = ctypes.CDLL(None, use_errno=True)
        if libc.unshare(machine.CLONE_NEWNS) != 0:
            error = ctypes.get_errno()
            raise OSError(error, f"unshare(CLONE_NEWNS): {os.strerror(error)}")
    _entered = True
    mount(None, "/", _MS_REC | _MS_PRIVATE)
    if EMULATOR == "namespace" and LOADER_32:
        _register_emulator()
    if ROOT is not None:
        _make_view()


def _register_emulator() -> None:
    """Gives the namespace a binfmt_misc of its own that hands 32-bit programs to qemu's emulator
    from the root ("F": opened now, so that it serves inside the chroot too)."""
    qemu = os.path.realpath(ROOT / "usr/local/bin/qemu-i386") if ROOT else ""
    if not os.access(qemu, os.X_OK):
        raise RuntimeError(f"the Wine 10 root has no qemu-i386 ({qemu})")
    mount("binfmt_misc", str(EMULATOR_ENTRY.parent), fstype="binfmt_misc")
    magic, mask = _ELF_386
    (EMULATOR_ENTRY.parent / "register").write_text(f":{EMULATOR_ENTRY.name}:M::{magic}:{mask}:{qemu}:F")


# The root's folders the view takes; the rest it has as empty folders of its own.
_ROOT_FOLDERS = ("usr", "etc", "var", "opt")


def _make_view() -> None:
    if not (ROOT / WINE.lstrip("/")).exists():
        raise RuntimeError(f"the Wine 10 root is missing: {ROOT} has no {WINE} "
                           "(scripts/run-tests makes it; see scripts/wine10-root.sh)")
    view = VIEW
    mount("marisole-view", str(view), fstype="tmpfs", data="mode=0755")
    for entry in sorted(ROOT.iterdir()):
        name, inside = entry.name, view / entry.name
        if name in ("mnt", "proc", "dev", "sys", "tmp"):
            continue
        if entry.is_symlink():
            inside.symlink_to(os.readlink(entry))
        elif name in _ROOT_FOLDERS:
            inside.mkdir()
            mount(str(entry), str(inside), _MS_BIND | _MS_REC)
        elif entry.is_dir():
            inside.mkdir()  # empty and the view's own (home, root...): a test's folder may go there
    for name, source in (("proc", "/proc"), ("dev", "/dev"), ("sys", "/sys")):
        # Wine reads the processors' layout in /sys; without it a program is told it has none.
        (view / name).mkdir()
        mount(source, str(view / name), _MS_BIND | _MS_REC)
    (view / "tmp").mkdir(mode=0o1777)
    (view / "tmp").chmod(0o1777)
    x11 = Path("/tmp/.X11-unix")
    x11.mkdir(mode=0o1777, exist_ok=True)
    (view / "tmp/.X11-unix").mkdir(mode=0o1777)
    mount(str(x11), str(view / "tmp/.X11-unix"), _MS_BIND)


def share(folder: Path) -> None:
    """Makes a folder of the machine appear at the same path in the Wine 10 root (for this process).

    Mounts made under it later (a test's small disk over the program folder) appear there too.
    """
    if ROOT is None:
        return
    enter()
    folder = Path(os.path.realpath(folder))
    if any(folder == p or p in folder.parents for p in _shared):
        return
    folder.mkdir(parents=True, exist_ok=True)
    mount(str(folder), str(folder), _MS_BIND)
    mount(None, str(folder), _MS_SHARED)
    inside = VIEW / str(folder).lstrip("/")
    if folder.parts[1:2] and folder.parts[1] in _ROOT_FOLDERS:
        raise RuntimeError(f"{folder} lies in /{folder.parts[1]}, which Wine 10's root has of its own: "
                           "use a build tree elsewhere")
    inside.mkdir(parents=True, exist_ok=True)
    mount(str(folder), str(inside), _MS_BIND)
    _shared.append(folder)


# Capabilities a Wine process started as root gives up: with them it would write through a file's
# read-only bits (Windows' read-only attribute), which no Windows user can.
_DROPPED_CAPABILITIES = (1, 2, 3)  # CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER
_PR_SET_PDEATHSIG, _PR_CAPBSET_DROP = 1, 24


def _as_a_user(die_with_parent: bool) -> None:
    libc = ctypes.CDLL(None, use_errno=True)
    if die_with_parent:
        libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)
    if os.geteuid() == 0:
        for cap in _DROPPED_CAPABILITIES:
            libc.prctl(_PR_CAPBSET_DROP, cap)


def spawn_options(cwd: Path | str | None = None, die_with_parent: bool = False) -> dict:
    """subprocess arguments that start a Wine process of this run (chrooted for Wine 10), in cwd.

    With die_with_parent the process gets SIGKILL should the harness die unexpectedly.
    """
    enter()
    if ROOT is None:
        return {"cwd": cwd, "preexec_fn": lambda: _as_a_user(die_with_parent)}
    root, inside = str(VIEW), str(cwd or "/")

    def start() -> None:
        _as_a_user(die_with_parent)
        os.chroot(root)
        os.chdir(inside)

    return {"preexec_fn": start}


def run(argv: list[str], env: dict[str, str], timeout: float, **kw) -> subprocess.CompletedProcess:
    """Runs a Wine command of this run to its end, output and errors together."""
    return subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout,
                          **spawn_options(), **kw)


def check_loader(pid: int) -> None:
    """For Wine 10 and the 32-bit program, that the process runs as its loader says: in WoW64 mode
    the 64-bit wine64 with no 32-bit ELF file mapped (no 32-bit Linux code at all); with the
    classic 32-bit loader that loader, or qemu's emulator running it."""
    if RUN != "wine10-win32":
        return
    try:
        exe = Path(os.readlink(f"/proc/{pid}/exe"))
        maps = Path(f"/proc/{pid}/maps").read_text()
    except OSError:
        return  # already gone; its exit code and output tell the test why
    expected = {host_path(WINE)}
    if emulated():
        expected.add(Path(os.path.realpath(ROOT / "usr/local/bin/qemu-i386")))
    if exe not in expected:
        raise AssertionError(f"process {pid} runs {exe}, not {' or '.join(map(str, sorted(expected)))}")
    if LOADER != "wow64":
        return
    files = {line.split(None, 5)[5] for line in maps.splitlines() if len(line.split(None, 5)) == 6}
    for name in sorted(f for f in files if f.startswith("/")):
        try:
            with open(name, "rb") as f:
                head = f.read(5)
        except OSError:
            continue
        if head[:4] == b"\x7fELF" and head[4:5] != b"\x02":
            raise AssertionError(f"process {pid} has a 32-bit ELF file mapped: {name}")


# Files that Wine only ever reads once a prefix exists.
_SHARED_SUFFIXES = {".dll", ".exe", ".drv", ".sys", ".nls", ".acm", ".cpl", ".ocx", ".tlb", ".ds",
                    ".msstyles", ".ax", ".vxd", ".com", ".fon", ".ttf", ".ttc"}
_STAMP = ".marisole-template"

# Like a Japanese Windows desktop: Wine's own dialog faces (the message box's included)
# fall back to IPA Gothic for the characters they lack, instead of drawing boxes. In a
# Japanese locale Wine draws its windows in the Japanese system faces instead, which Linux
# lacks: those become IPA Gothic, the proportional ones (MS UI Gothic, the controls' face too)
# the proportional IPA PGothic.
_FONT_LINK = ["ipag.ttf,IPAGothic"]
# A crash starts no debugger (which would wait for a console no one reads): the process ends,
# and what Wine printed of the crash fails the test (session.WINE_CRASH).
_NO_DEBUGGER = {"Debugger": "", "Auto": "1"}
TEMPLATE_REGISTRY = {
    r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug": _NO_DEBUGGER,
    r"HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug": _NO_DEBUGGER,
    r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink": {
        face: _FONT_LINK for face in ("Tahoma", "Tahoma Bold", "MS Shell Dlg", "MS Shell Dlg 2",
                                       "Microsoft Sans Serif", "MS Sans Serif", "Segoe UI")
    },
    r"HKCU\Software\Wine\Fonts\Replacements": {
        "MS UI Gothic": "IPAPGothic", "MS Gothic": "IPAGothic", "MS PGothic": "IPAPGothic",
        "ＭＳ ゴシック": "IPAGothic", "ＭＳ Ｐゴシック": "IPAPGothic",
    },
}


def wine_version() -> str:
    """The loader's version, the run and the root: what the template is made for."""
    try:
        out = run([WINE, "--version"], base_env({}), timeout=60)
    except OSError as error:
        hint = " (this kernel does not run 32-bit programs)" if error.errno == errno.ENOEXEC else ""
        raise RuntimeError(f"{WINE} cannot run here: {error}{hint}") from None
    if out.returncode != 0:
        raise RuntimeError(f"{WINE} --version failed: {out.stdout.decode(errors='replace')}")
    return f"{out.stdout.decode().strip()} {RUN} {PREFIX_ARCH} {ROOT or ''}".rstrip() + (" emulated" if emulated() else "")


def base_env(extra: dict[str, str]) -> dict[str, str]:
    """The environment every Wine process of the harness runs in."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("WINE", "FAKETIME", "LD_PRELOAD", "DISPLAY"))}
    env.update({
        "WINEDEBUG": "fixme-all",
        # No Mono or Gecko installer prompts: the program needs neither.
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
        # Local time equals the faked wall-clock time given to libfaketime.
        "TZ": "UTC",
        "LANG": "C.UTF-8",
    })
    if ROOT is not None:
        env["WINEDLLPATH"] = WOW64_DLL_PATH
    env.update(extra)
    return env


def faketime_env(time: str | None, speed: float | None = None, fake_monotonic: bool = False) -> dict[str, str]:
    """libfaketime settings that fix the wall clock the program reads.

    time "2026-01-01 09:45:30" freezes the clock at that moment; with speed
    (e.g. 60) the clock starts there and runs that many times faster.  The
    monotonic clock, on which Wine's timers run, is left real unless
    fake_monotonic is set (needed for timers to speed up too).  File times are
    never faked: Wine compares them to decide whether to rebuild the prefix.
    """
    if time is None:
        return {}
    setting = time if speed is None else f"@{time.lstrip('@')} x{speed:g}"
    env = {"LD_PRELOAD": FAKETIME_LIB, "FAKETIME": setting, "NO_FAKE_STAT": "1"}
    if not fake_monotonic:
        env["FAKETIME_DONT_FAKE_MONOTONIC"] = "1"
    return env


def _server_tmpdir(prefix: Path) -> Path | None:
    """Debian's Wine keeps the name of the prefix's socket folder (/tmp/wine-XXXXXX) in the prefix."""
    try:
        name = (prefix / "wineserver").read_text().strip()
    except OSError:
        return None
    if not name.startswith("wine-") or "/" in name:
        return None
    # In the root's own /tmp for Wine 10.
    return (VIEW / "tmp" if VIEW else Path(tempfile.gettempdir())) / name


def server_socket(prefix: Path) -> Path | None:
    """The socket of the prefix's running wineserver, if there is one."""
    tmp = _server_tmpdir(prefix)
    if tmp is None:
        return None
    return next((p for p in tmp.glob("server-*/socket") if p.is_socket()), None)


def kill_server(prefix: Path, env: dict[str, str]) -> None:
    """Ends every Wine process of this prefix (and only those) and waits for its wineserver."""
    env = dict(env, WINEPREFIX=str(prefix))
    for argv in ([WINESERVER, "-k"], [WINESERVER, "-w"]):
        try:
            run(argv, env, timeout=30)
        except subprocess.TimeoutExpired:
            pass


def ensure_template(template: Path) -> Path:
    """Creates the template prefix once per build tree (and again when Wine changes)."""
    template.parent.mkdir(parents=True, exist_ok=True)
    share(template.parent)
    version = wine_version()
    with open(template.parent / (template.name + ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        stamp = template / _STAMP
        if stamp.exists() and stamp.read_text() == version + "\n" + repr(TEMPLATE_REGISTRY):
            return template
        if template.exists():
            shutil.rmtree(template)
        staging = template.with_name(template.name + ".new")
        if staging.exists():
            shutil.rmtree(staging)
        env = base_env({"WINEPREFIX": str(staging), "WINEARCH": PREFIX_ARCH})
        env.pop("DISPLAY", None)  # no windows while the prefix is built
        try:
            # The 32-bit half (syswow64) under emulation takes a few minutes.
            proc = run([BOOT_LOADER, "wineboot", "--init"], env, timeout=600)
            wow64 = staging / "drive_c" / "windows" / "syswow64" / "kernel32.dll"
            if proc.returncode != 0 or not (staging / "system.reg").exists() or (
                    LOADER_32 and not wow64.exists()):
                raise RuntimeError("wineboot --init failed (or made no 32-bit half):\n" +
                                   proc.stdout.decode(errors="replace"))
            import_registry(TEMPLATE_REGISTRY, staging, env)
        finally:
            kill_server(staging, env)
        tmp = _server_tmpdir(staging)
        if tmp is not None:
            shutil.rmtree(tmp, ignore_errors=True)
        (staging / "wineserver").unlink(missing_ok=True)
        (staging / "values.reg").unlink(missing_ok=True)
        (staging / _STAMP).write_text(version + "\n" + repr(TEMPLATE_REGISTRY))
        staging.rename(template)
    return template


def _copy_file(src: str, dst: str) -> None:
    if Path(src).suffix.lower() in _SHARED_SUFFIXES:
        try:
            os.link(src, dst)
            return
        except OSError:
            pass  # another file system: fall back to a copy
    shutil.copy2(src, dst)


def copy_prefix(template: Path, dest: Path) -> Path:
    """A private prefix for one test, made from the template in well under a second."""
    shutil.copytree(template, dest, symlinks=True, copy_function=_copy_file)
    (dest / _STAMP).unlink(missing_ok=True)
    # The copy is current by construction; never let Wine start a rebuild in a test.
    (dest / ".update-timestamp").write_text("disable\n")
    return dest


def remove_prefix(prefix: Path) -> None:
    tmp = _server_tmpdir(prefix)
    if tmp is not None:
        shutil.rmtree(tmp, ignore_errors=True)
    shutil.rmtree(prefix, ignore_errors=True)


def reg_file(values: dict[str, dict[str, int | str | list[str]]]) -> bytes:
    """A .reg file (UTF-16, as regedit writes it) setting the given values.

    Keys start with HKCU or HKLM; an int is a REG_DWORD, a str a REG_SZ and a
    list of str a REG_MULTI_SZ: {r"HKCU\\Control Panel\\Desktop": {"LogPixels": 144}}.
    """
    roots = {"HKCU": "HKEY_CURRENT_USER", "HKLM": "HKEY_LOCAL_MACHINE"}

    def quote(text: str) -> str:
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'

    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, entries in values.items():
        root, _, rest = key.partition("\\")
        lines.append(f"[{roots.get(root, root)}\\{rest}]")
        for name, value in entries.items():
            if isinstance(value, bool) or not isinstance(value, (int, str, list)):
                raise TypeError(f"unsupported registry value for {name}: {value!r}")
            if isinstance(value, int):
                data = f"dword:{value & 0xFFFFFFFF:08x}"
            elif isinstance(value, str):
                data = quote(value)
            else:
                raw = "".join(item + "\0" for item in value) + "\0"
                data = "hex(7):" + ",".join(f"{b:02x}" for b in raw.encode("utf-16-le"))
            lines.append(f"{quote(name)}={data}")
        lines.append("")
    return ("\r\n".join(lines) + "\r\n").encode("utf-16")


def import_registry(values: dict[str, dict[str, int | str | list[str]]], folder: Path,
                    env: dict[str, str]) -> str:
    """Writes values into the prefix named by env["WINEPREFIX"] with Wine's reg.exe; returns its output."""
    path = folder / "values.reg"
    path.write_bytes(reg_file(values))
    proc = run([WINE, "reg", "import", str(path)], env, timeout=120)
    output = proc.stdout.decode(errors="replace")
    if proc.returncode != 0:
        raise RuntimeError(f"reg import failed ({proc.returncode}): {output}")
    return output
