"""Which end-to-end runs this machine takes, decided here and nowhere else.

A run is one Wine with one build of the program (wine10-win32, wine8-win64...). What a machine
can run depends on a few facts: whether its kernel runs 32-bit x86 code, whether a user
namespace may have a binfmt_misc of its own (Linux 6.7), and who runs the tests. Every 32-bit
part comes from the trixie root (Wine 10 in WoW64 mode, or its classic 32-bit loader under
qemu's emulator), never from the host. `plan(facts)` turns the facts into the runs, the loader
each uses, the tests each gets and how 32-bit programs reach the emulator; `python3 -m harness
plan` prints that for CMake and scripts/run-tests. MARISOLE_E2E_FACTS="kernel_runs_32_bit=0"
sets facts by hand, so that a path can be tried on a machine that would not take it.
"""

from __future__ import annotations

import ctypes
import os
import subprocess
import tempfile
from dataclasses import dataclass, fields, replace
from pathlib import Path


@dataclass(frozen=True)
class Facts:
    kernel_runs_32_bit: bool
    rdtscp: bool
    root: bool
    binfmt_in_namespace: bool


@dataclass(frozen=True)
class Run:
    name: str
    # "wow64": Wine 10's wine64 runs the 32-bit program in its own 64-bit process; "classic":
    # Wine 10's 32-bit loader runs it (emulated where the kernel runs no 32-bit code); "native":
    # the run's own loader for its build.
    loader: str
    # Labels a test must carry to be in the run (any of them; none: every test), and labels that
    # keep a test out.
    only: tuple[str, ...] = ()
    skip: tuple[str, ...] = ()
    emulated: bool = False


@dataclass(frozen=True)
class Plan:
    runs: tuple[Run, ...]
    # How 32-bit programs reach qemu's emulator: "none" (the kernel runs them), "namespace" (a
    # binfmt_misc of each test's own user namespace), "global" (an entry of the machine's,
    # registered by scripts/run-tests for the run alone and removed at its end).
    emulator: str
    # The namespaces each test's harness enters: "mount" (root: a mount namespace of its own) or
    # "user" (a user namespace with its mount namespace, which needs no root).
    namespace: str


# The few tests that show a build works under a Wine: it starts, draws the clock, saves a drag
# and opens the dialog. Every run that is not the release program's full one gets these.
SHORT = ("short",)
# Emulated, the release program is several times slower: the long run (hundreds of ticks a
# second) and the corpus of odd files (some hundred starts) go to the 64-bit program instead.
TOO_SLOW_EMULATED = ("slow", "corpus")


def plan(facts: Facts) -> Plan:
    """The runs of a machine with these facts, the first being the release program's full one.

    The frozen clock reaches the program alone on every path, so the processor's flags (rdtscp,
    which Wine 10's wineboot times against the wall clock) change nothing here.
    """
    runs: list[Run] = []
    emulator = "none"
    if facts.kernel_runs_32_bit:
        runs.append(Run("wine10-win32", "wow64"))
        runs.append(Run("wine8-win64", "native", only=SHORT))
    else:
        emulator = "namespace" if facts.binfmt_in_namespace else "global"
        runs.append(Run("wine10-win32", "classic", skip=TOO_SLOW_EMULATED, emulated=True))
        runs.append(Run("wine8-win64", "native", only=SHORT + TOO_SLOW_EMULATED))
    runs.append(Run("wine10-win64", "native", only=SHORT))
    return Plan(tuple(runs), emulator, namespace_for(facts.root, emulator))


def namespace_for(root: bool, emulator: str) -> str:
    """Root needs only a mount namespace of its own; anyone else, and a binfmt_misc of the test's
    own, needs a user namespace too."""
    return "mount" if root and emulator != "namespace" else "user"


# -- the facts of this machine ---------------------------------------------------------------
# A static 32-bit program that ends through the 32-bit system call, as 32-bit Wine's threads set
# up their %fs: a kernel without IA-32 emulation (or started with it off) refuses it.
_PROBE_32 = 'void _start(void) { __asm__ volatile("movl $1, %eax\\n xorl %ebx, %ebx\\n int $0x80"); }\n'
EMULATOR_ENTRY = Path("/proc/sys/fs/binfmt_misc/marisole-i386")
CLONE_NEWNS, CLONE_NEWUSER = 0x00020000, 0x10000000


def _kernel_runs_32_bit() -> bool:
    if EMULATOR_ENTRY.exists():
        # The run's own emulator entry answers for the kernel: ask the kernel alone.
        raise RuntimeError(f"{EMULATOR_ENTRY} is registered; remove it (echo -1 > {EMULATOR_ENTRY}) and try again")
    with tempfile.TemporaryDirectory() as folder:
        source, probe = Path(folder, "runs32.c"), Path(folder, "runs32")
        source.write_text(_PROBE_32)
        built = subprocess.run(["gcc", "-m32", "-nostdlib", "-static", "-o", str(probe), str(source)],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if built.returncode != 0:
            raise RuntimeError(f"cannot build the 32-bit probe (gcc -m32): {built.stdout.decode(errors='replace')}")
        try:
            return subprocess.run([str(probe)]).returncode == 0
        except OSError:
            return False


def _rdtscp() -> bool:
    try:
        return any(line.startswith("flags") and " rdtscp" in line
                   for line in Path("/proc/cpuinfo").read_text().splitlines())
    except OSError:
        return False


def _binfmt_in_namespace() -> bool:
    """Whether a new user namespace may mount a binfmt_misc of its own (tried in a child)."""
    pid = os.fork()
    if pid == 0:
        code = 1
        try:
            enter_user_namespace(as_root=True)
            libc = ctypes.CDLL(None, use_errno=True)
            if libc.mount(b"binfmt_misc", b"/proc/sys/fs/binfmt_misc", b"binfmt_misc", 0, None) == 0:
                code = 0
        finally:
            os._exit(code)
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status) == 0


def enter_user_namespace(as_root: bool = False) -> None:
    """Moves this process into a new user namespace and mount namespace, as the same user, or
    with as_root as the namespace's root (who owns what the namespace mounts, a binfmt_misc of its
    own included).

    It then holds every capability inside them (mounts, chroot); the programs it starts run as
    the user, with no capability at all (as root of the namespace, with all: see
    wine.spawn_options for what Wine's processes give up).
    """
    uid, gid = os.getuid(), os.getgid()
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0:
        error = ctypes.get_errno()
        raise OSError(error, f"unshare(CLONE_NEWUSER | CLONE_NEWNS): {os.strerror(error)} "
                             "(user namespaces are off here: sysctl kernel.unprivileged_userns_clone=1, "
                             "or run the tests as root)")
    inside_uid, inside_gid = (0, 0) if as_root else (uid, gid)
    Path("/proc/self/setgroups").write_text("deny")
    Path("/proc/self/uid_map").write_text(f"{inside_uid} {uid} 1")
    Path("/proc/self/gid_map").write_text(f"{inside_gid} {gid} 1")


def _parse_override(text: str) -> dict[str, bool]:
    names = {f.name for f in fields(Facts)}
    values: dict[str, bool] = {}
    for item in text.replace(",", " ").split():
        name, _, value = item.partition("=")
        if name not in names or value not in ("0", "1"):
            raise ValueError(f"MARISOLE_E2E_FACTS: {item!r} is not one of {sorted(names)} set to 0 or 1")
        values[name] = value == "1"
    return values


def facts() -> Facts:
    """This machine's facts, with those MARISOLE_E2E_FACTS sets by hand taking their place."""
    override = _parse_override(os.environ.get("MARISOLE_E2E_FACTS", ""))
    runs32 = override["kernel_runs_32_bit"] if "kernel_runs_32_bit" in override else _kernel_runs_32_bit()
    found = Facts(
        kernel_runs_32_bit=runs32,
        rdtscp=_rdtscp(),
        root=os.geteuid() == 0,
        # Asked only where it matters: on a kernel that runs no 32-bit code.
        binfmt_in_namespace=not runs32 and "binfmt_in_namespace" not in override and _binfmt_in_namespace(),
    )
    return replace(found, **override)


def describe(p: Plan, f: Facts) -> str:
    """The plan as key=value lines (lists separated by commas), for CMake and the scripts."""
    lines = [f"facts={' '.join(f'{k.name}={int(getattr(f, k.name))}' for k in fields(Facts))}",
             f"emulator={p.emulator}", f"namespace={p.namespace}",
             f"runs={','.join(r.name for r in p.runs)}"]
    for r in p.runs:
        lines += [f"{r.name}.loader={r.loader}", f"{r.name}.only={','.join(r.only)}",
                  f"{r.name}.skip={','.join(r.skip)}", f"{r.name}.emulated={int(r.emulated)}"]
    return "\n".join(lines)
