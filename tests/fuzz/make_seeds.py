#!/usr/bin/env python3
"""Writes small synthetic PNG files of every colour type, bit depth and
interlace method (with a few ancillary chunks) as the fuzzer's seed corpus."""
import os
import struct
import sys
import zlib

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def rows(w, h, bits_per_pixel, seed):
    raw = b""
    for y in range(h):
        n = (w * bits_per_pixel + 7) // 8
        raw += bytes([y % 5]) + bytes(((x * 13 + y * 7 + seed) & 0xFF) for x in range(n))
    return raw


def image(colour_type, depth, interlace, w=9, h=7, extra=b"", alpha_entries=3):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    bpp = channels * depth
    if interlace:
        raw = b""
        for sx, sy, dx, dy in ADAM7:
            pw, ph = (w - sx + dx - 1) // dx if w > sx else 0, (h - sy + dy - 1) // dy if h > sy else 0
            if pw and ph:
                raw += rows(pw, ph, bpp, sx + sy)
    else:
        raw = rows(w, h, bpp, 0)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, interlace))
    if colour_type == 3:
        out += chunk(b"PLTE", bytes(i & 0xFF for i in range(3 * (1 << depth))))
        out += chunk(b"tRNS", bytes([0, 128, 255] + [(i * 37) & 0xFF for i in range(alpha_entries - 3)]))
    out += extra
    out += chunk(b"IDAT", zlib.compress(raw))
    return out + chunk(b"IEND", b"")


def main(folder):
    os.makedirs(folder, exist_ok=True)
    formats = [(0, 1), (0, 2), (0, 4), (0, 8), (0, 16), (2, 8), (2, 16), (3, 1), (3, 2), (3, 4), (3, 8),
               (4, 8), (4, 16), (6, 8), (6, 16)]
    for colour_type, depth in formats:
        for interlace in (0, 1):
            name = "t%d_d%d_i%d.png" % (colour_type, depth, interlace)
            with open(os.path.join(folder, name), "wb") as f:
                f.write(image(colour_type, depth, interlace))
    extra = (chunk(b"gAMA", struct.pack(">I", 45455)) + chunk(b"sBIT", bytes([5, 6, 5])) +
             chunk(b"tpNg", b"VPC3\x00\x01\x00\x00") + chunk(b"tEXt", b"Comment\x00seed") +
             chunk(b"tIME", struct.pack(">HBBBBB", 2026, 12, 7, 12, 0, 0)) +
             chunk(b"pHYs", struct.pack(">IIB", 2834, 2834, 1)) + chunk(b"bKGD", bytes([0, 1, 0, 2, 0, 3])) +
             chunk(b"tRNS", bytes([0, 1, 0, 2, 0, 3])) +
             chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)))
    with open(os.path.join(folder, "ancillary.png"), "wb") as f:
        f.write(image(2, 8, 0, extra=extra))
    # Larger than one inflate call's strip, so rows meet strip boundaries.
    large = [("large_t6_d8_i0.png", image(6, 8, 0, 300, 250)), ("large_t2_d8_i1.png", image(2, 8, 1, 400, 240)),
             ("large_t3_d8_i0.png", image(3, 8, 0, 700, 420, alpha_entries=40))]
    for name, data in large:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus"))
