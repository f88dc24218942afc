#!/usr/bin/python3
"""Finds a window's own picture in a screenshot of the whole screen.

Usage: find_in_screenshot.py SCREEN.png WINDOW.png
Prints "x y differing" for the place near the screen's centre where the
window's picture matches best (differing: the share of its pixels that are
not the same there, 0 to 1), or "none" when it is nowhere near.
"""
import sys

import gi
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf  # noqa: E402


def pixels(path):
    image = GdkPixbuf.Pixbuf.new_from_file(path)
    return (image.get_width(), image.get_height(), image.get_rowstride(), image.get_n_channels(),
            image.get_pixels())


def main():
    sw, sh, sstride, sn, screen = pixels(sys.argv[1])
    ww, wh, wstride, wn, window = pixels(sys.argv[2])

    def at(data, stride, n, x, y):
        i = y * stride + x * n
        return data[i], data[i + 1], data[i + 2]

    # A sparse grid of the window's pixels keeps the search quick.
    probes = [(x, y) for y in range(2, wh - 2, 7) for x in range(2, ww - 2, 11)]
    cx, cy = (sw - ww) // 2, (sh - wh) // 2
    best = None
    for dy in range(-40, 41):
        for dx in range(-40, 41):
            ox, oy = cx + dx, cy + dy
            if ox < 0 or oy < 0 or ox + ww > sw or oy + wh > sh:
                continue
            differing = 0
            for x, y in probes:
                a = at(screen, sstride, sn, ox + x, oy + y)
                b = at(window, wstride, wn, x, y)
                if max(abs(a[0] - b[0]), abs(a[1] - b[1]), abs(a[2] - b[2])) > 24:
                    differing += 1
                    if best and differing > best[2] * len(probes):
                        break
            share = differing / len(probes)
            if best is None or share < best[2]:
                best = (ox, oy, share)
    if best is None or best[2] > 0.2:
        print("none")
    else:
        print(f"{best[0]} {best[1]} {best[2]:.3f}")


if __name__ == "__main__":
    main()
