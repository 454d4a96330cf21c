"""Wine prefixes for the tests: one template per build tree, one cheap copy per test.

Creating a prefix (`wineboot --init`) takes many seconds and Debian's Wine
fills it with about 700 MB of real DLLs, so the template is made once and
each test gets a copy in which the files Wine never rewrites (programs,
libraries, code-page tables) are hard links and everything else (registry,
ini files, user folders) is a real copy the test may change freely.
"""

from __future__ import annotations

import errno
import fcntl
import hashlib
import os
import shutil
import subprocess
import tempfile
from pathlib import Path

# Which build of the program the tests run: "win64" (under wine64 in a 64-bit prefix) or
# "win32" (under Debian's 32-bit loader in a prefix made with WINEARCH=win32). CTest sets it
# per test; one process of the harness serves one build.
ARCHES = {"win32": "/usr/lib/wine/wine", "win64": "/usr/lib/wine/wine64"}
ARCH = os.environ.get("MARISOLE_E2E_ARCH", "win64")
if ARCH not in ARCHES:
    raise SystemExit(f"MARISOLE_E2E_ARCH={ARCH!r}: expected one of {', '.join(ARCHES)}")
WINE = ARCHES[ARCH]
# One server for both: Debian's script starts the 64-bit wineserver, which serves 32-bit programs too.
WINESERVER = "/usr/lib/wine/wineserver"
# "$LIB" is expanded by each process's own dynamic loader (lib/x86_64-linux-gnu or
# lib/i386-linux-gnu), so one setting preloads the matching libfaketime into every Wine
# process: the program, 32-bit or 64-bit, which reads the wall clock itself, and the 64-bit
# wineserver, whose timers follow the monotonic clock when that is faked too.
FAKETIME_LIB = "/usr/$LIB/faketime/libfaketime.so.1"

# Files that Wine only ever reads once a prefix exists.
_SHARED_SUFFIXES = {".dll", ".exe", ".drv", ".sys", ".nls", ".acm", ".cpl", ".ocx", ".tlb", ".ds",
                    ".msstyles", ".ax", ".vxd", ".com", ".fon", ".ttf", ".ttc"}
_STAMP = ".marisole-template"

# Like a Japanese Windows desktop: Wine's own dialog faces (the message box's included)
# fall back to IPA Gothic for the characters they lack, instead of drawing boxes. In a
# Japanese locale Wine draws its windows in the Japanese system faces instead, which Linux
# lacks: those become IPA Gothic.
_FONT_LINK = ["ipag.ttf,IPAGothic"]
TEMPLATE_REGISTRY = {
    r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink": {
        face: _FONT_LINK for face in ("Tahoma", "Tahoma Bold", "MS Shell Dlg", "MS Shell Dlg 2",
                                       "Microsoft Sans Serif", "MS Sans Serif", "Segoe UI")
    },
    r"HKCU\Software\Wine\Fonts\Replacements": {
        "MS UI Gothic": "IPAGothic", "MS Gothic": "IPAGothic", "MS PGothic": "IPAPGothic",
        "ＭＳ ゴシック": "IPAGothic", "ＭＳ Ｐゴシック": "IPAPGothic",
    },
}


def wine_version() -> str:
    """The loader's version and the prefix's architecture: what the template is made for."""
    try:
        out = subprocess.run([WINE, "--version"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             env=base_env({}))
    except OSError as error:
        hint = " (this kernel does not run 32-bit programs)" if error.errno == errno.ENOEXEC else ""
        raise RuntimeError(f"{WINE} cannot run here: {error}{hint}") from None
    if out.returncode != 0:
        raise RuntimeError(f"{WINE} --version failed: {out.stdout.decode(errors='replace')}")
    return f"{out.stdout.decode().strip()} {ARCH}"


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


_TIME64_SOURCE = Path(__file__).with_name("time64.c")
_TIME64_NAME = "marisole-time64.so"
# Where each architecture's dynamic loader looks for its copy ("$LIB" as Debian expands it).
_TIME64_LIBS = {"lib/i386-linux-gnu": "-m32", "lib/x86_64-linux-gnu": "-m64"}


def time64_preload() -> str:
    """The LD_PRELOAD entry that carries libfaketime's time to Debian's 32-bit Wine (see time64.c).

    Builds the library for both architectures once per version of its source, in a folder of
    the temporary directory named after the source's hash (LD_PRELOAD splits at spaces, which
    a build tree's path may hold), and returns its path with "$LIB" in it.
    """
    source = _TIME64_SOURCE.read_bytes()
    folder = Path(tempfile.gettempdir()) / f"marisole-time64-{hashlib.sha256(source).hexdigest()[:16]}"
    if not folder.is_dir():
        staging = Path(tempfile.mkdtemp(prefix=folder.name + ".", dir=folder.parent))
        try:
            for lib, flag in _TIME64_LIBS.items():
                out = staging / lib / _TIME64_NAME
                out.parent.mkdir(parents=True)
                proc = subprocess.run(["gcc", flag, "-O2", "-fPIC", "-shared", "-nostdlib", "-o", str(out),
                                       str(_TIME64_SOURCE)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                if proc.returncode != 0:
                    raise RuntimeError(f"building {out} failed:\n{proc.stdout.decode(errors='replace')}")
            staging.chmod(0o755)
            try:
                staging.rename(folder)
            except OSError:
                if not folder.is_dir():  # another session made it meanwhile: use that one
                    raise
        finally:
            shutil.rmtree(staging, ignore_errors=True)
    # Everything in it is preloaded into the programs: it must be ours and closed to others.
    for path in (folder, *folder.rglob("*")):
        info = path.lstat()
        if info.st_uid != os.getuid() or info.st_mode & 0o022 or path.is_symlink():
            raise RuntimeError(f"{path} is not this user's alone; remove {folder}")
    return str(folder / "$LIB" / _TIME64_NAME)


def _server_tmpdir(prefix: Path) -> Path | None:
    """Debian's Wine keeps the name of the prefix's socket folder (/tmp/wine-XXXXXX) in the prefix."""
    try:
        name = (prefix / "wineserver").read_text().strip()
    except OSError:
        return None
    if not name.startswith("wine-") or "/" in name:
        return None
    return Path(tempfile.gettempdir()) / name


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
            subprocess.run(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        except subprocess.TimeoutExpired:
            pass


def ensure_template(template: Path) -> Path:
    """Creates the template prefix once per build tree (and again when Wine changes)."""
    template.parent.mkdir(parents=True, exist_ok=True)
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
        env = base_env({"WINEPREFIX": str(staging), "WINEARCH": ARCH})
        env.pop("DISPLAY", None)  # no windows while the prefix is built
        try:
            proc = subprocess.run([WINE, "wineboot", "--init"], env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, timeout=300)
            if proc.returncode != 0 or not (staging / "system.reg").exists():
                raise RuntimeError("wineboot --init failed:\n" + proc.stdout.decode(errors="replace"))
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
    proc = subprocess.run([WINE, "reg", "import", str(path)], env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=120)
    output = proc.stdout.decode(errors="replace")
    if proc.returncode != 0:
        raise RuntimeError(f"reg import failed ({proc.returncode}): {output}")
    return output
