"""The program's icons: main window (128) and notification area (132).

Each .ico holds 16, 32 and 48 pixel images twice: 32-bit with alpha, and 256 colours with a
transparency mask for displays and systems without alpha icons.
"""
import struct
from PIL import Image, ImageDraw
import palette as P
from paint import GLYPHS

SIZES = (16, 32, 48)
SS = 8


def draw(n, round_badge):
    """An RGBA icon of n x n: a teal tile (or disc) with a white magnifier."""
    s = SS
    big = Image.new("RGBA", (n * s, n * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    m = 0 if n < 32 else n * s // 32
    box = (m, m, n * s - 1 - m, n * s - 1 - m)
    if round_badge:
        d.ellipse(box, fill=P.ACCENT + (255,))
    else:
        d.rounded_rectangle(box, radius=n * s * 0.24, fill=P.ACCENT + (255,))
    top = Image.new("L", big.size, 0)
    if round_badge:
        ImageDraw.Draw(top).ellipse(box, fill=36)
    else:
        ImageDraw.Draw(top).rounded_rectangle(box, radius=n * s * 0.24, fill=36)
    top.paste(0, (0, n * s // 2, n * s, n * s))
    big.paste(Image.new("RGBA", big.size, (255, 255, 255, 255)), (0, 0),
              Image.composite(top, Image.new("L", big.size, 0), big.split()[3]))
    # The magnifier, drawn thicker at small sizes so it stays legible.
    lens = Image.new("L", big.size, 0)
    u = n * s / 24.0
    k = 1.0 if n >= 32 else 1.25
    ld = ImageDraw.Draw(lens)
    r, cx, cy = 6.0 * u, 10.5 * u, 10.5 * u
    ld.ellipse((cx - r, cy - r, cx + r, cy + r), fill=255)
    w = 2.2 * k * u
    ld.ellipse((cx - r + w, cy - r + w, cx + r - w, cy + r - w), fill=0)
    ld.line((15 * u, 15 * u, 19.2 * u, 19.2 * u), fill=255, width=round(3.2 * k * u))
    ld.ellipse((17.6 * u, 17.6 * u, 20.8 * u, 20.8 * u), fill=255)
    big.paste(Image.new("RGBA", big.size, (255, 255, 255, 255)), (0, 0), lens)
    return big.resize((n, n), Image.LANCZOS)


def _and_mask(alpha, n):
    stride = ((n + 31) // 32) * 4
    rows = []
    for y in reversed(range(n)):
        bits = bytearray(stride)
        for x in range(n):
            if alpha.getpixel((x, y)) < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits))
    return b"".join(rows)


def _dib(im, bpp):
    n = im.width
    alpha = im.split()[3]
    head = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, bpp, 0, 0, 0, 0, 256 if bpp == 8 else 0, 0)
    if bpp == 32:
        px = b"".join(bytes((b, g, r, a)) for y in reversed(range(n)) for x in range(n)
                      for r, g, b, a in [im.getpixel((x, y))])
        return head + px + _and_mask(alpha, n)
    # 256 colours: transparent pixels become black and are masked out.
    flat = Image.new("RGB", im.size, (0, 0, 0))
    flat.paste(im.convert("RGB"), (0, 0), alpha.point(lambda a: 255 if a >= 128 else 0))
    q = flat.quantize(255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    pal = q.getpalette()[:768]
    pal += [0] * (768 - len(pal))
    table = b"".join(bytes((pal[3 * i + 2], pal[3 * i + 1], pal[3 * i], 0)) for i in range(256))
    stride = (n + 3) // 4 * 4
    px = b"".join(bytes(q.getpixel((x, y)) for x in range(n)) + bytes(stride - n)
                  for y in reversed(range(n)))
    return head + table + px + _and_mask(alpha, n)


def write_ico(path, round_badge):
    images = []
    for bpp in (32, 8):
        for n in SIZES:
            images.append((n, bpp, _dib(draw(n, round_badge), bpp)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, bpp, data in images:
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, _, data in images)
    path.write_bytes(out)
    return [draw(n, round_badge) for n in SIZES]
