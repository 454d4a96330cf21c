#!/usr/bin/env python3
"""Draws the clock hands over the face pictures, the way the program does,
and cuts each face to its window outline, so that the artwork can be judged
as the user will see it.

    python3 src/artwork/preview.py OUTDIR [--faces DIR] [--time HH:MM:SS ...]

Reads the pictures from DIR (default: the generated/ folder beside this
script) and writes into OUTDIR one PNG per clock and time, one of the small
clock blinking, and one of the dialog's pictures in place, each on a plain
desktop colour. Needs ImageMagick's `convert`.
"""

import argparse
import math
import os
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
DESKTOP = "#008080"

# Hand geometry in twips, as the clock code uses it: centre, then
# (length, colour, width) for the hour, minute and second hands.
CLOCKS = {
    "large": dict(size=480, centre=(3775, 5700), disc=(248, 376), disc_fill="rgb(255,0,0)",
                  hands=[(597, "rgb(0,0,0)", 5), (797, "rgb(0,0,0)", 3), (897, "rgb(255,0,0)", 1)]),
    "small": dict(size=233, centre=(1740, 1740), disc=(112, 112), disc_fill="rgb(255,128,128)",
                  hands=[(747, "rgb(128,128,255)", 5), (1047, "rgb(128,128,255)", 3),
                         (1347, "rgb(255,128,128)", 1)]),
}


def end_point(centre, length, value, factor):
    theta = 1.570796 - value * factor
    return (round(centre[0] + length * math.cos(theta)), round(centre[1] - length * math.sin(theta)))


def px(twips):
    return round(twips / 15)


def hand_draws(clock, h, m, s):
    c = clock["centre"]
    values = [(h + m / 60, 0.5235986666667), (m, 0.1047197333333), (s, 0.1047197333333)]
    draws = []
    for (length, colour, width), (value, factor) in zip(clock["hands"], values):
        x2, y2 = end_point(c, length, value, factor)
        draws += ["-stroke", colour, "-strokewidth", str(width), "-draw",
                  f"line {px(c[0])},{px(c[1])} {px(x2)},{px(y2)}"]
    dx, dy = clock["disc"]
    draws += ["-fill", clock["disc_fill"], "-stroke", "black", "-strokewidth", "1",
              "-draw", f"ellipse {dx + 4},{dy + 4} 4,4 0,360"]
    return draws


def outline_mask(name, size):
    if name == "large":  # CreateRoundRectRgn(0, 0, 480, 480, 30, 30)
        return ["-draw", f"roundrectangle 0,0 {size - 1},{size - 1} 15,15"]
    return ["-draw", f"circle {size / 2 - 0.5},{size / 2 - 0.5} {size / 2 - 0.5},-0.5"]  # CreateEllipticRgn


def render(name, faces, out, time_text, blink=False):
    clock = CLOCKS[name]
    h, m, s = (int(part) for part in time_text.split(":"))
    face = os.path.join(faces, "LargeFace.bmp" if name == "large" else "SmallFace.bmp")
    size = clock["size"]
    cmd = ["convert", face]
    if blink:
        cmd += [os.path.join(faces, "Blink.bmp"), "-geometry", "+70+116", "-composite"]
    cmd += ["+antialias", "-fill", "none"]
    cmd += hand_draws(clock, h, m, s)
    cmd += ["(", "-size", f"{size}x{size}", "xc:black", "-fill", "white", "-stroke", "none",
            *outline_mask(name, size), ")", "-alpha", "off", "-compose", "copy_opacity", "-composite",
            "-compose", "over", "-background", DESKTOP, "-flatten"]
    # A margin of desktop around the window.
    cmd += ["-bordercolor", DESKTOP, "-border", "12"]
    suffix = "_blink" if blink else ""
    path = os.path.join(out, f"{name}_{time_text.replace(':', '')}{suffix}.png")
    subprocess.run(cmd + [path], check=True)
    return path


def render_dialog(faces, out):
    """The options dialog's client area (249 x 123 px) with its pictures in
    place: the background box starts 8 px left of the client area."""
    cmd = ["convert", "-size", "249x123", "xc:rgb(192,192,192)",
           os.path.join(faces, "DialogBackground.bmp"), "-geometry", "-8+0", "-composite",
           os.path.join(faces, "Title.bmp"), "-geometry", "+0+8", "-composite",
           os.path.join(faces, "Portrait.bmp"), "-geometry", "+168+8", "-composite",
           "-bordercolor", DESKTOP, "-border", "12"]
    path = os.path.join(out, "dialog.png")
    subprocess.run(cmd + [path], check=True)
    return path


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--faces", default=os.path.join(HERE, "generated"))
    parser.add_argument("--time", nargs="*", default=["10:08:37", "03:00:00", "07:41:22"])
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for t in args.time:
        print(render("large", args.faces, args.out, t))
        print(render("small", args.faces, args.out, t))
    print(render("small", args.faces, args.out, args.time[0], blink=True))
    print(render_dialog(args.faces, args.out))


if __name__ == "__main__":
    main()
