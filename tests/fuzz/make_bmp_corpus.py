#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Writes the seed corpus of the bitmap reader: small bitmaps of every depth, and a few that lie
# about themselves. Run from this directory; the files are committed.
import os
import struct


def bmp(width, height, bits, rows, palette=(), compression=0, masks=None, declared=None,
        used=0, offset=None):
    extra = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    if masks:
        extra += struct.pack("<III", *masks)
    pixels = b"".join(rows)
    off = 54 + len(extra) if offset is None else offset
    size = off + len(pixels)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels),
                       2835, 2835, used, 0)
    head = b"BM" + struct.pack("<IHHI", size if declared is None else declared, 0, 0, off)
    return head + info + extra + pixels


def pad(row):
    return row + b"\0" * (-len(row) % 4)


os.makedirs("corpus/bmp_reader", exist_ok=True)
seeds = {
    "1bit_8x2.bmp": bmp(8, 2, 1, [pad(b"\xa5"), pad(b"\x3c")], [(0, 0, 0), (255, 255, 255)]),
    "4bit_5x3.bmp": bmp(5, 3, 4, [pad(b"\x01\x23\x40")] * 3,
                        [(i * 16, 255 - i * 16, i * 8) for i in range(16)]),
    "8bit_3x3_used4.bmp": bmp(3, 3, 8, [pad(b"\x00\x01\x02"), pad(b"\x03\x02\x01"),
                                        pad(b"\x00\x00\x03")],
                              [(255, 0, 255), (0, 255, 0), (0, 0, 255), (90, 90, 90)], used=4),
    "16bit_565_4x2.bmp": bmp(4, 2, 16, [pad(b"\xff\xff\x00\xf8\xe0\x07\x1f\x00")] * 2,
                             compression=3, masks=(0xF800, 0x7E0, 0x1F)),
    "16bit_555_2x2.bmp": bmp(2, 2, 16, [pad(b"\xff\x7f\x00\x00")] * 2, compression=3,
                             masks=(0x7C00, 0x3E0, 0x1F)),
    "24bit_3x3.bmp": bmp(3, 3, 24, [pad(b"\xff\x00\xff\x00\xff\x00\x10\x20\x30")] * 3),
    "32bit_2x2.bmp": bmp(2, 2, 32, [b"\xff\x00\xff\x00\x01\x02\x03\x04"] * 2),
    "24bit_truncated.bmp": bmp(4, 4, 24, [pad(b"\x80" * 12)] * 4)[:90],
    "24bit_lies_size.bmp": bmp(4, 4, 24, [pad(b"\x80" * 12)] * 2, declared=200),
    "24bit_topdown.bmp": bmp(2, -2, 24, [pad(b"\x00" * 6)] * 2),
    "8bit_index_past_palette.bmp": bmp(2, 2, 8, [pad(b"\x00\x07")] * 2, [(1, 2, 3)], used=1),
    "24bit_offset_past_end.bmp": bmp(2, 2, 24, [pad(b"\x00" * 6)] * 2, offset=4000),
}
for name, data in seeds.items():
    with open(os.path.join("corpus/bmp_reader", name), "wb") as f:
        f.write(data)
