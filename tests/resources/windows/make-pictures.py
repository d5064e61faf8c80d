#!/usr/bin/python3
"""Writes the pictures and the animation of the window tests' own skin (outputs are committed)."""
import os
import struct

from PIL import Image

here = os.path.dirname(os.path.abspath(__file__))


def pack(picture, count, width, height, period):
    """The animation format of skin/AnimationMovie.h: a 20-byte header, then the picture strip."""
    return struct.pack("<4sHHHHHHI", b"ZANM", 20, 1, width, height, count, period, len(picture)) + picture

W, H = 320, 240
SOLID = {
    "t_main.gif": (40, 80, 160), "t_over.gif": (60, 160, 60), "t_down.gif": (160, 40, 40),
    "t_off.gif": (90, 90, 90), "t_sub1.gif": (230, 150, 30), "t_sub2.gif": (120, 40, 140),
    "t_sub3.gif": (20, 150, 150), "t_white.gif": (255, 255, 255),
}
for name, colour in SOLID.items():
    size = (W, H) if not name.startswith("t_sub") else (180, 120)
    Image.new("RGB", size, colour).save(os.path.join(here, name))

# The outline: white (transparent) in a 40x40 corner at the top left and a 30x30 one at the bottom
# right; everything else belongs to the window.
mask = Image.new("RGB", (W, H), (0, 0, 0))
for x in range(40):
    for y in range(40):
        mask.putpixel((x, y), (255, 255, 255))
for x in range(W - 30, W):
    for y in range(H - 30, H):
        mask.putpixel((x, y), (255, 255, 255))
mask.save(os.path.join(here, "t_mask.bmp"))

# Four 40x40 frames of clearly different colours, 60 ms each.
frames = [(220, 30, 30), (30, 200, 30), (30, 30, 220), (230, 230, 30)]
strip = Image.new("RGB", (40 * len(frames), 40))
for i, colour in enumerate(frames):
    strip.paste(Image.new("RGB", (40, 40), colour), (i * 40, 0))
gif = os.path.join(here, "t_strip.gif")
strip.save(gif)
with open(gif, "rb") as f:
    data = f.read()
os.remove(gif)
with open(os.path.join(here, "t_anim.swf"), "wb") as f:
    f.write(pack(data, len(frames), 40, 40, 60))
