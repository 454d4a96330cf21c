"""RGB images taken from the X server: pixel access, cropping and PNG output.

Only the standard library is used: screenshots arrive as binary PPM from
ImageMagick's `import`, and PNG files are written with zlib.
"""

from __future__ import annotations

import struct
import subprocess
import zlib
from dataclasses import dataclass
from typing import Callable, Iterator, NamedTuple

Colour = tuple[int, int, int]


class Rect(NamedTuple):
    x: int
    y: int
    width: int
    height: int

    @property
    def right(self) -> int:
        return self.x + self.width

    @property
    def bottom(self) -> int:
        return self.y + self.height

    @property
    def centre(self) -> tuple[int, int]:
        return self.x + self.width // 2, self.y + self.height // 2

    def contains(self, x: int, y: int) -> bool:
        return self.x <= x < self.right and self.y <= y < self.bottom


def close_to(a: Colour, b: Colour, tolerance: int = 0) -> bool:
    """True when every channel of a and b differs by at most tolerance."""
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


@dataclass(frozen=True)
class Image:
    width: int
    height: int
    data: bytes  # rows of packed 8-bit RGB, top row first

    # -- construction -------------------------------------------------------
    @staticmethod
    def from_ppm(blob: bytes) -> "Image":
        """Parses a binary PPM (P6) with a maximum value of 255 or 65535."""
        fields: list[bytes] = []
        pos = 0
        while len(fields) < 4:
            while pos < len(blob) and blob[pos:pos + 1].isspace():
                pos += 1
            if blob[pos:pos + 1] == b"#":
                pos = blob.index(b"\n", pos) + 1
                continue
            start = pos
            while pos < len(blob) and not blob[pos:pos + 1].isspace():
                pos += 1
            fields.append(blob[start:pos])
        pos += 1  # the single whitespace byte that ends the header
        if fields[0] != b"P6":
            raise ValueError(f"not a binary PPM: {blob[:16]!r}")
        width, height, maxval = (int(f) for f in fields[1:])
        pixels = blob[pos:]
        if maxval == 255:
            data = pixels[: width * height * 3]
        elif maxval == 65535:
            data = pixels[0: width * height * 6: 2]  # keep each sample's high byte
        else:
            raise ValueError(f"unsupported PPM maximum value {maxval}")
        if len(data) != width * height * 3:
            raise ValueError("truncated PPM")
        return Image(width, height, bytes(data))

    @staticmethod
    def decode(blob: bytes) -> "Image":
        """Reads any picture file ImageMagick knows (the program's PNG renditions, an
        rsvg-convert render), fully opaque, through its convert."""
        ppm = subprocess.run(["convert", "-", "-depth", "8", "ppm:-"], input=blob, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, check=True, timeout=60).stdout
        return Image.from_ppm(ppm)

    @staticmethod
    def load_bmp(path: str) -> "Image":
        """Reads an uncompressed Windows bitmap file (24 bits, or 4 or 8 bits with a palette),
        such as the program's pictures, so that the screen can be compared with them."""
        with open(path, "rb") as f:
            blob = f.read()
        if blob[:2] != b"BM":
            raise ValueError(f"{path}: not a bitmap file")
        offset, = struct.unpack_from("<I", blob, 10)
        header_size, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", blob, 14)
        if compression != 0 or bits not in (4, 8, 24):
            raise ValueError(f"{path}: only uncompressed 4, 8 and 24-bit bitmaps are read")
        palette: list[bytes] = []
        if bits < 24:
            start = 14 + header_size
            count = (offset - start) // 4
            palette = [bytes((blob[i + 2], blob[i + 1], blob[i])) for i in range(start, start + 4 * count, 4)]
        stride = (width * bits + 31) // 32 * 4
        rows: list[bytes] = []
        for y in range(abs(height)):
            stored = abs(height) - 1 - y if height > 0 else y  # a positive height runs bottom-up
            row = blob[offset + stored * stride: offset + (stored + 1) * stride]
            if bits == 24:
                out = bytearray(width * 3)
                out[0::3], out[1::3], out[2::3] = row[2:width * 3:3], row[1:width * 3:3], row[0:width * 3:3]
            elif bits == 8:
                out = bytearray(b"".join(palette[i] for i in row[:width]))
            else:
                out = bytearray(b"".join(palette[(row[x // 2] >> (0 if x % 2 else 4)) & 0xF] for x in range(width)))
            rows.append(bytes(out))
        return Image(width, abs(height), b"".join(rows))

    # -- access -------------------------------------------------------------
    @property
    def rect(self) -> Rect:
        return Rect(0, 0, self.width, self.height)

    def pixel(self, x: int, y: int) -> Colour:
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"pixel ({x}, {y}) outside a {self.width}x{self.height} image")
        i = (y * self.width + x) * 3
        r, g, b = self.data[i:i + 3]
        return r, g, b

    def crop(self, rect: Rect | tuple[int, int, int, int]) -> "Image":
        """The part of the image inside rect, clipped to the image."""
        x, y, w, h = rect
        x0, y0 = max(x, 0), max(y, 0)
        x1, y1 = min(x + w, self.width), min(y + h, self.height)
        if x1 <= x0 or y1 <= y0:
            return Image(0, 0, b"")
        rows = [self.data[(row * self.width + x0) * 3:(row * self.width + x1) * 3] for row in range(y0, y1)]
        return Image(x1 - x0, y1 - y0, b"".join(rows))

    def pixels(self) -> Iterator[tuple[int, int, Colour]]:
        for y in range(self.height):
            for x in range(self.width):
                yield x, y, self.pixel(x, y)

    def count(self, match: Colour | Callable[[Colour], bool], tolerance: int = 0) -> int:
        """How many pixels equal a colour (within tolerance) or satisfy a predicate."""
        if callable(match):
            test = match
        else:
            test = lambda c: close_to(c, match, tolerance)  # noqa: E731
        return sum(1 for _, _, c in self.pixels() if test(c))

    def colours(self) -> dict[Colour, int]:
        """Histogram of the image's colours."""
        hist: dict[Colour, int] = {}
        for i in range(0, len(self.data), 3):
            c = (self.data[i], self.data[i + 1], self.data[i + 2])
            hist[c] = hist.get(c, 0) + 1
        return hist

    # -- output -------------------------------------------------------------
    def png_bytes(self) -> bytes:
        stride = self.width * 3
        raw = b"".join(b"\x00" + self.data[y * stride:(y + 1) * stride] for y in range(self.height))

        def chunk(kind: bytes, body: bytes) -> bytes:
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))

    def save_png(self, path: str) -> str:
        with open(path, "wb") as f:
            f.write(self.png_bytes())
        return path
