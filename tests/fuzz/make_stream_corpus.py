#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Writes the seed corpora of the readers target (y4m and raw streams, a PNG, texts) and of the
# codec unit library's target (short streams of each codec, cut into access units, made with
# ffmpeg). Run from this directory; the files are committed. The module targets write their own
# seeds: pf_fuzz_replay_<family> --write-seeds corpus/<family>.
import os
import struct
import subprocess
import tempfile
import zlib


def write(directory, name, data):
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data)


def png(width, height, colour_type=2, depth=8):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    row = bytes((x * 37) & 0xFF for x in range(width * channels * depth // 8))
    raw = b"".join(b"\0" + row for _ in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth,
                                                             colour_type, 0, 0, 0))
    if colour_type == 3:
        out += chunk(b"PLTE", bytes(range(48)))
    return out + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def readers():
    d = "corpus/readers"
    frame = bytes(16 * 8 * 3 // 2)
    write(d, "y4m_2_frames", b"\0YUV4MPEG2 W16 H8 F25:1 Ip A1:1 C420jpeg\n" +
          (b"FRAME\n" + frame) * 2)
    write(d, "y4m_422_interlaced", b"\0YUV4MPEG2 W8 H4 F30000:1001 It C422 XYSCSS=422\n" +
          b"FRAME Ixyz\n" + bytes(64))
    write(d, "y4m_field_layout", b"\0YUV4MPEG2 W8 H4 XPFLAYOUT=field\nFRAME\n" + bytes(48))
    write(d, "y4m_cut_short", b"\0YUV4MPEG2 W16 H8\nFRAME\n" + bytes(10))
    write(d, "y4m_huge", b"\0YUV4MPEG2 W99999 H99999\nFRAME\n")
    write(d, "raw_two_frames", b"\1" + bytes(16 * 8 * 3))
    write(d, "png_rgb", b"\2" + png(5, 3))
    write(d, "png_palette", b"\2" + png(4, 4, 3))
    write(d, "png_grey_alpha_16", b"\2" + png(3, 2, 4, 16))
    write(d, "png_in_stream", b"\0" + png(6, 2, 6))
    for i, text in enumerate([b"720x576", b"cif", b"hd1080", b"0x0", b"30000/1001", b"29.97",
                              b"8,8,16,-16", b"0x7fffffff", b"interlaced", b"W720 H576 F25:1",
                              b"FRAME Ip"]):
        write(d, "text_%02d" % i, b"\3" + text)


def units(data, codec):
    """Cuts an elementary stream at start codes (JPEG: at each picture's start)."""
    marker = b"\xff\xd8" if codec == "mjpeg" else b"\0\0\1"
    cuts = [i for i in range(len(data)) if data.startswith(marker, i)]
    if codec != "mjpeg":
        cuts = [i - 1 if i > 0 and data[i - 1] == 0 else i for i in cuts]
    cuts.append(len(data))
    return [data[a:b] for a, b in zip(cuts, cuts[1:]) if b > a]


def name_hash(name):
    """The module targets' 16-bit selector of a module case by its name."""
    h = 2166136261
    for c in name.encode():
        h = ((h ^ c) * 16777619) & 0xFFFFFFFF
    return (h ^ (h >> 16)) & 0xFFFF


def codec_seed(module, commands, stream):
    """A codecs-target input: the module, no record edits, a command byte per channel, then the
    stream as every decoding channel's access unit."""
    h = name_hash(module)
    return bytes([h & 0xFF, h >> 8, 0, 0, 0]) + bytes(commands) + stream


def videounit():
    d = "corpus/videounit"
    codecs = [("h264", "libx264", "h264"), ("hevc", "libx265", "hevc"),
              ("mpeg2", "mpeg2video", "mpeg2video"), ("mjpeg", "mjpeg", "mjpeg")]
    with tempfile.TemporaryDirectory() as tmp:
        for index, (name, encoder, container) in enumerate(codecs):
            path = os.path.join(tmp, name)
            subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i",
                            "testsrc=size=32x32:rate=25", "-frames:v", "3", "-pix_fmt",
                            "yuvj420p" if name == "mjpeg" else "yuv420p", "-c:v", encoder,
                            "-f", container, path], check=True)
            with open(path, "rb") as f:
                stream = f.read()
            # The decoder modules with the whole stream as one access unit: start (1) or end (2)
            # on each of multidec's three H.264 channels, decode (0 -> 1) on multidec_new's two.
            if name == "h264":
                write("corpus/codecs", "multidec_h264_stream", codec_seed("multidec", [1, 1, 2],
                                                                          stream))
            if name in ("hevc", "mpeg2"):
                write("corpus/codecs", "multidec_new_%s_stream" % name,
                      codec_seed("multidec_new", [0, 0], stream))
            # Codec, 32x32 limits (bytes 1, 1: 16 + 16), every delivery flag combination once.
            for flags in (0, 8, 16):
                seed = bytes([index | flags, 1, 1])
                for unit in units(stream, name):
                    seed += struct.pack("<H", len(unit)) + unit
                write(d, "%s_%d" % (name, flags), seed)
            # Limits smaller than the pictures: every picture must be refused.
            write(d, "%s_too_small" % name,
                  bytes([index, 0, 0]) + b"".join(struct.pack("<H", len(u)) + u
                                                  for u in units(stream, name)))


readers()
videounit()
