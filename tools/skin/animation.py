"""The built-in animation: a magnifier gliding over a list of entries, a calm "working" loop.

Format of the resource "ANIMATION" (type "SWF"; the type name is kept, the content is ours).
All numbers are little-endian:

    offset  size  field
    0       4     magic "ZANM"
    4       2     header size in bytes (20); the picture starts here
    6       2     format version (1)
    8       2     frame width in pixels
    10      2     frame height in pixels
    12      2     frame count (at least 1)
    14      2     frame period in milliseconds
    16      4     picture size in bytes (the rest of the file)
    20      ...   the picture: a GIF (any picture OleLoadPicture decodes) holding the frames
                  side by side in one row, frame i at x = i * frame width; its size is
                  (frame width * frame count) x frame height

A player shows frame (elapsed / period) mod count, drawn unscaled and centred in its rectangle
and clipped to it, and loops for as long as it plays. The larger picture sets carry the same movie
drawn at their scale (a 1.5x or 2x frame size); a player scales it to the display's scale. Every frame is opaque; the frames are
painted on the card colour of the screens that show them.
"""
import math
import struct
from PIL import Image, ImageDraw
import palette as P
from paint import px

FRAME_W, FRAME_H = 117, 169
FRAMES = 24
PERIOD_MS = 75
MAGIC = b"ZANM"
HEADER = struct.Struct("<4sHHHHHHI")
SS = 4


def _rows(d, colour, s, cx, cy, dx=0):
    """Stylised entries: a node dot and a bar per row, with an indented pair in the middle."""
    bars = [(0, 52), (12, 40), (12, 30), (0, 46), (12, 36)]
    for i, (indent, length) in enumerate(bars):
        y = cy - 30 + i * 15
        x = cx - 34 + indent + dx
        d.ellipse(((x - 3) * s, (y - 3) * s, (x + 3) * s, (y + 3) * s), fill=colour)
        d.rounded_rectangle(((x + 8) * s, (y - 2.5) * s, (x + 8 + length) * s, (y + 2.5) * s),
                            radius=2.5 * s, fill=colour)


def frame_size(scale=1):
    return px(FRAME_W, scale), px(FRAME_H, scale)


def frame(i, scale=1):
    w, h, s = FRAME_W, FRAME_H, SS * scale
    cx, cy = w / 2, h / 2 - 6
    t = i / FRAMES
    dw, dh = frame_size(scale)
    big = Image.new("RGB", (dw * SS, dh * SS), P.CARD)
    d = ImageDraw.Draw(big)
    # The card the entries sit on.
    d.rounded_rectangle(((cx - 46) * s, (cy - 44) * s, (cx + 46) * s, (cy + 44) * s), radius=10 * s,
                        fill=P.ZEBRA, outline=P.DIVIDER, width=round(s))
    _rows(d, (205, 213, 220), s, cx, cy)
    # The lens follows a slow ellipse over the card; under it the entries show in the accent.
    a = 2 * math.pi * t
    lx, ly, r = cx + 16 * math.cos(a) - 4, cy + 13 * math.sin(a) - 4, 19
    lens = Image.new("RGB", big.size, P.ACCENT_TINT)
    _rows(ImageDraw.Draw(lens), P.ACCENT, s, cx, cy)
    hole = Image.new("L", big.size, 0)
    ImageDraw.Draw(hole).ellipse(((lx - r) * s, (ly - r) * s, (lx + r) * s, (ly + r) * s), fill=255)
    big.paste(lens, (0, 0), hole)
    hx, hy = lx + r * 0.72, ly + r * 0.72
    d.line((hx * s, hy * s, (hx + 15) * s, (hy + 15) * s), fill=P.ACCENT_DOWN, width=round(6 * s))
    d.ellipse(((hx + 12) * s, (hy + 12) * s, (hx + 18) * s, (hy + 18) * s), fill=P.ACCENT_DOWN)
    d.ellipse(((lx - r) * s, (ly - r) * s, (lx + r) * s, (ly + r) * s), outline=P.ACCENT_DOWN,
              width=round(3.2 * s))
    # Three dots breathe one after the other below the card.
    for k in range(3):
        phase = (math.sin(2 * math.pi * (t - k / 6)) + 1) / 2
        c = tuple(round(a + (b - a) * phase) for a, b in zip(P.DIVIDER, P.ACCENT))
        x, y, rr = cx - 12 + 12 * k, cy + 60, 2.6 + 0.8 * phase
        d.ellipse(((x - rr) * s, (y - rr) * s, (x + rr) * s, (y + rr) * s), fill=c)
    return big.resize((dw, dh), Image.LANCZOS)


def strip(scale=1):
    dw, dh = frame_size(scale)
    im = Image.new("RGB", (dw * FRAMES, dh), P.CARD)
    for i in range(FRAMES):
        im.paste(frame(i, scale), (i * dw, 0))
    return im


def pack(gif_bytes, scale=1):
    dw, dh = frame_size(scale)
    head = HEADER.pack(MAGIC, HEADER.size, 1, dw, dh, FRAMES, PERIOD_MS, len(gif_bytes))
    return head + gif_bytes


def unpack(data):
    magic, size, version, w, h, count, period, length = HEADER.unpack_from(data)
    if magic != MAGIC or size != HEADER.size or len(data) != size + length:
        raise ValueError("not an animation of ours")
    return dict(version=version, w=w, h=h, count=count, period=period, picture=data[size:])
