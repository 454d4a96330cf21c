"""Command line of the harness (run from tests/e2e, or with it on PYTHONPATH).

  python3 -m harness list            tests for CTest: name|unittest id|labels|timeout per line
  python3 -m harness plan            the runs this machine takes, as key=value lines (machine.py)
  python3 -m harness prefix [--at DIR]  create the template Wine prefix if it is missing or stale
  python3 -m harness run ID...       run unittest ids (test_startup.StartUp.test_second_copy)
  python3 -m harness show OUT.png    start the clock on a private display, wait, save a screenshot
"""

from __future__ import annotations

import argparse
import importlib
import sys
import time
import unittest
from pathlib import Path

from . import machine, wine
from .session import Session, work_root
from .testcase import DEFAULT_TIMEOUT, short_name

HERE = Path(__file__).resolve().parent.parent


def _iter_tests(suite):
    for item in suite:
        if isinstance(item, unittest.TestSuite):
            yield from _iter_tests(item)
        else:
            yield item


def list_tests() -> int:
    loader = unittest.TestLoader()
    seen: set[str] = set()
    for path in sorted(HERE.glob("test_*.py")):
        module = importlib.import_module(path.stem)
        for test in _iter_tests(loader.loadTestsFromModule(module)):
            if isinstance(test, unittest.loader._FailedTest):  # an import error: let CTest show it
                raise SystemExit(f"cannot load {path.name}: {test._exception}")
            method = getattr(test, test._testMethodName)
            name = short_name(test.id())
            if name in seen:
                raise SystemExit(f"two end-to-end tests are both called {name}")
            seen.add(name)
            labels = ["e2e", *getattr(method, "ctest_labels", ())]
            limit = getattr(method, "ctest_timeout", DEFAULT_TIMEOUT)
            print(f"e2e.{name}|{test.id()}|{','.join(labels)}|{limit}")
    return 0


def run(ids: list[str]) -> int:
    suite = unittest.TestLoader().loadTestsFromNames(ids)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    if result.testsRun == 0 or result.skipped:
        print("no end-to-end test ran (skips count as failures here)")
        return 1
    return 0 if result.wasSuccessful() else 1


def show(out: Path, seconds: float, exe: str | None) -> int:
    out.parent.mkdir(parents=True, exist_ok=True)
    with Session("show", exe=exe, background="#3a6ea5", artifacts=work_root() / "artifacts" / "show") as s:
        s.launch()
        window = s.wait_window()
        time.sleep(seconds)
        s.capture().save_png(str(out))
        print(f"clock window at {tuple(window.geometry())} (x, y, width, height)", file=sys.stderr)
    print(out)
    return 0


def main() -> int:
    parser = argparse.ArgumentParser(prog="python3 -m harness")
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("list")
    sub.add_parser("plan")
    prefix_p = sub.add_parser("prefix")
    prefix_p.add_argument("--at", type=Path, help="create the prefix here instead (for running the clock by hand)")
    run_p = sub.add_parser("run")
    run_p.add_argument("ids", nargs="+")
    show_p = sub.add_parser("show")
    show_p.add_argument("out", type=Path)
    show_p.add_argument("--seconds", type=float, default=3.0)
    show_p.add_argument("--exe")
    args = parser.parse_args()
    if args.command == "list":
        return list_tests()
    if args.command == "plan":
        facts = machine.facts()
        print(machine.describe(machine.plan(facts), facts))
        return 0
    if args.command == "prefix":
        print(wine.ensure_template(args.at or work_root() / "wineprefix-template"))
        return 0
    if args.command == "run":
        return run(args.ids)
    return show(args.out, args.seconds, args.exe)


if __name__ == "__main__":
    sys.path.insert(0, str(HERE))
    sys.exit(main())
