#!/usr/bin/python3
"""Packs a picture strip into the program's animation format (see skin/AnimationMovie.h).

Usage: pack-animation.py STRIP.gif FRAME_WIDTH FRAME_HEIGHT PERIOD_MS OUT
       pack-animation.py --frames OUT PERIOD_MS FRAME1.png FRAME2.png ...
The first form takes a strip already laid out left to right; the second lays the frames (all of one
size) side by side into a GIF strip first. Needs Debian's python3-pil for the second form only.
"""
import io
import struct
import sys


def pack(picture: bytes, count: int, width: int, height: int, period: int) -> bytes:
    for name, value, low, high in (("frame count", count, 1, 1024), ("frame width", width, 1, 4096),
                                   ("frame height", height, 1, 4096), ("period", period, 10, 10000)):
        if not low <= value <= high:
            raise SystemExit(f"{name} {value} outside {low}..{high}")
    return b"ZANI" + struct.pack("<6H", 1, count, width, height, period, 0) + picture


def strip_from_frames(paths):
    from PIL import Image
    frames = [Image.open(p).convert("RGB") for p in paths]
    width, height = frames[0].size
    if any(f.size != (width, height) for f in frames):
        raise SystemExit("frames differ in size")
    strip = Image.new("RGB", (width * len(frames), height))
    for i, f in enumerate(frames):
        strip.paste(f, (i * width, 0))
    out = io.BytesIO()
    strip.save(out, "GIF")
    return out.getvalue(), len(frames), width, height


def main(argv):
    if len(argv) >= 5 and argv[1] == "--frames":
        out, period = argv[2], int(argv[3])
        picture, count, width, height = strip_from_frames(argv[4:])
    elif len(argv) == 6:
        from_path, width, height, period, out = argv[1], int(argv[2]), int(argv[3]), int(argv[4]), argv[5]
        picture = open(from_path, "rb").read()
        count = strip_width(picture) // width
    else:
        raise SystemExit(__doc__)
    with open(out, "wb") as f:
        f.write(pack(picture, count, width, height, period))


def strip_width(picture: bytes) -> int:
    if picture[:6] in (b"GIF87a", b"GIF89a"):
        return struct.unpack("<H", picture[6:8])[0]
    if picture[:2] == b"BM":
        return struct.unpack("<i", picture[18:22])[0]
    raise SystemExit("strip must be a GIF or BMP picture")


if __name__ == "__main__":
    main(sys.argv)
