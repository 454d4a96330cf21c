"""Writes the release package: OUT/MarisoleClock-<version>-win32.zip and OUT/SHA256SUMS.

    release_zip.py --exe EXE --readme TEMPLATE --version 1.00 --date EPOCH --out DIR

The same inputs give the same bytes: entries in a fixed order, each with the given date,
fixed permissions and the same compression. The readme's @VERSION@ becomes the version; it is
written in UTF-8 with a byte order mark and CRLF line ends, so that every Notepad shows the
Japanese text.
"""

from __future__ import annotations

import argparse
import hashlib
import time
import zipfile
from pathlib import Path

EXE_NAME = "MarisoleClock.exe"
README_NAME = "README.txt"


def readme_bytes(template: str, version: str) -> bytes:
    text = template.replace("@VERSION@", version)
    lines = text.replace("\r\n", "\n").split("\n")
    return "\ufeff".encode() + "\r\n".join(lines).encode("utf-8")


def entry(name: str, date: tuple[int, int, int, int, int, int], mode: int) -> zipfile.ZipInfo:
    info = zipfile.ZipInfo(name, date_time=date)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # Unix, so that the mode below is read as such
    info.external_attr = (0o100000 | mode) << 16
    return info


def write_package(exe: Path, readme: bytes, version: str, epoch: int, out: Path) -> Path:
    # A zip file's dates are local DOS times from 1980 on, to two seconds.
    date = time.gmtime(max(epoch, 315532800))[:6]
    out.mkdir(parents=True, exist_ok=True)
    package = out / f"MarisoleClock-{version}-win32.zip"
    staging = package.with_suffix(".zip.part")
    with zipfile.ZipFile(staging, "w") as archive:
        archive.writestr(entry(EXE_NAME, date, 0o755), exe.read_bytes(), compresslevel=9)
        archive.writestr(entry(README_NAME, date, 0o644), readme, compresslevel=9)
    staging.replace(package)
    digest = hashlib.sha256(package.read_bytes()).hexdigest()
    (out / "SHA256SUMS").write_text(f"{digest}  {package.name}\n")
    return package


def main() -> int:
    parser = argparse.ArgumentParser(prog="release_zip.py")
    parser.add_argument("--exe", type=Path, required=True)
    parser.add_argument("--readme", type=Path, required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--date", type=int, required=True, help="seconds since 1970 (UTC) for every entry")
    parser.add_argument("--out", type=Path, required=True)
    args = parser.parse_args()
    readme = readme_bytes(args.readme.read_text(encoding="utf-8"), args.version)
    print(write_package(args.exe, readme, args.version, args.date, args.out))
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
