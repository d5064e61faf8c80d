"""Drawing helpers: anti-aliased shapes by supersampling, text, and small line glyphs.

Callers give every position and size in the layout's 96-dpi units; the helpers draw them at the
current scale (set_scale), so one layout table yields each picture set. Sizes are scaled on their
own (px(w)), never as the difference of two scaled edges: a button's picture, the rectangle the
program cuts for it and the window it lives in then always agree in size.
"""
import math
from PIL import Image, ImageDraw
from palette import font

SS = 4  # supersampling factor for shapes and glyphs
SCALE = 1  # device pixels per layout unit of the picture set being drawn


def set_scale(k):
    global SCALE
    SCALE = k


def font_px(size):
    """A font size at the current scale, its fraction dropped as the program drops it: a text never
    grows more than the box it was fitted into at 1x."""
    return size if SCALE == 1 else int(size * SCALE)


def px(v, k=None):
    """A layout length in device pixels, rounded half away from zero like the program's MulDiv."""
    k = SCALE if k is None else k
    if k == 1 and isinstance(v, int):
        return v
    d = math.floor(abs(v) * k + 0.5)
    return d if v >= 0 else -d


class Canvas:
    """An RGB picture addressed in layout units at the current scale."""

    def __init__(self, w, h, colour, scale=None, im=None):
        self.scale = SCALE if scale is None else scale
        self.w, self.h = w, h
        self.im = im if im is not None else Image.new("RGB", (px(w, self.scale), px(h, self.scale)), colour)

    width = property(lambda self: self.w)
    height = property(lambda self: self.h)

    def copy(self):
        return Canvas(self.w, self.h, None, self.scale, self.im.copy())

    def device_box(self, box):
        x0, y0, x1, y1 = box
        k = self.scale
        return (px(x0, k), px(y0, k), px(x0, k) + px(x1 - x0, k), px(y0, k) + px(y1 - y0, k))

    def paste(self, colour, box):
        """Fill the layout box (x0, y0, x1, y1) with a colour."""
        self.im.paste(colour, self.device_box(box))

    def tint_where(self, box, colour, tint):
        """Within box, repaint the pixels that are exactly `colour` with `tint`."""
        b = self.device_box(box)
        region = self.im.crop(b)
        mask = Image.new("L", region.size, 0)
        mask.putdata([255 if p == colour else 0 for p in region.getdata()])
        self.im.paste(tint, b, mask)


def _device_coverage(dw, dh, draw_fn, s):
    big = Image.new("L", (dw * SS, dh * SS), 0)
    draw_fn(ImageDraw.Draw(big), s)
    return big.resize((dw, dh), Image.BOX)


def coverage(w, h, draw_fn):
    """An L mask of the layout size w x h at the current scale whose values are the area coverage of
    what draw_fn draws; draw_fn gets the drawing and the factor from layout units to its pixels."""
    return _device_coverage(px(w), px(h), draw_fn, SS * SCALE)


def paint(img, x, y, mask, colour):
    """Lay colour over img through mask, with the mask's top-left corner at layout point (x, y)."""
    _paint_device(img, px(x), px(y), mask, colour)


def _paint_device(img, x, y, mask, colour):
    img.im.paste(Image.new("RGB", mask.size, colour), (x, y), mask)


def fill_round(img, x, y, w, h, r, colour):
    m = coverage(w, h, lambda d, s: d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), r * s, fill=255))
    paint(img, x, y, m, colour)


def stroke_round(img, x, y, w, h, r, colour, width=1):
    def draw(d, s):
        d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), r * s, fill=255)
        ri = max(r - width, 0)
        d.rounded_rectangle((width * s, width * s, (w - width) * s - 1, (h - width) * s - 1), ri * s, fill=0)
    paint(img, x, y, coverage(w, h, draw), colour)


def panel(img, x, y, w, h, r, fill, edge):
    """A filled rounded rectangle with a one-pixel edge."""
    fill_round(img, x, y, w, h, r, edge)
    fill_round(img, x + 1, y + 1, w - 2, h - 2, max(r - 1, 0), fill)


def text(img, x, y, s, size, colour, bold=False, anchor="la"):
    k = SCALE
    at = (x, y) if k == 1 else (x * k, y * k)
    ImageDraw.Draw(img.im).text(at, s, font=font(font_px(size), bold), fill=colour, anchor=anchor)


def text_width(s, size, bold=False):
    """Width in layout units of s drawn at the current scale (whole pixels at 1x)."""
    if SCALE == 1:
        return math.ceil(font(size, bold).getlength(s))
    return font(font_px(size), bold).getlength(s) / SCALE


def text_lines(img, x, y, lines, size, colour, bold=False, leading=None):
    leading = leading or round(size * 1.4)
    for i, line in enumerate(lines):
        text(img, x, y + i * leading, line, size, colour, bold)


def vgradient(img, x, y, w, h, top, bottom):
    x, y, w, h = px(x), px(y), px(w), px(h)
    for row in range(h):
        t = row / max(h - 1, 1)
        c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        ImageDraw.Draw(img.im).line((x, y + row, x + w - 1, y + row), fill=c)


# Glyphs are drawn in a 24-unit box scaled to the requested pixel size.
def glyph(img, name, cx, cy, size, colour):
    k = SCALE
    n = px(size)
    s = SS * size * k / 24.0

    def draw(d, _):
        GLYPHS[name](d, s, lambda v: v * s)
    x0, y0 = (round(cx - size / 2), round(cy - size / 2)) if k == 1 else \
        (round(cx * k - n / 2), round(cy * k - n / 2))
    _paint_device(img, x0, y0, _device_coverage(n, n, draw, s), colour)


def _line(d, u, pts, w):
    d.line([(u(a), u(b)) for a, b in pts], fill=255, width=max(1, round(u(w))), joint="curve")
    for a, b in (pts[0], pts[-1]):
        r = u(w) / 2
        d.ellipse((u(a) - r, u(b) - r, u(a) + r, u(b) + r), fill=255)


def _ring(d, u, cx, cy, r, w):
    d.ellipse((u(cx - r), u(cy - r), u(cx + r), u(cy + r)), fill=255)
    d.ellipse((u(cx - r + w), u(cy - r + w), u(cx + r - w), u(cy + r - w)), fill=0)


def _arc(d, u, cx, cy, r, a0, a1, w):
    d.arc((u(cx - r), u(cy - r), u(cx + r), u(cy + r)), a0, a1, fill=255, width=max(1, round(u(w))))


def g_areas(d, s, u):  # a checklist
    for i, y in enumerate((6, 12, 18)):
        _line(d, u, [(4, y), (6, y + 2), (9, y - 2)] if i < 2 else [(4.5, y), (8.5, y)], 1.8)
        _line(d, u, [(12, y), (20, y)], 1.8)


def g_clock(d, s, u):
    _ring(d, u, 12, 12, 9, 1.9)
    _line(d, u, [(12, 7), (12, 12), (15.5, 14)], 1.9)


def g_ignore(d, s, u):  # a list with a slash: entries set aside
    _line(d, u, [(5, 7), (19, 7)], 1.8)
    _line(d, u, [(5, 12), (14, 12)], 1.8)
    _line(d, u, [(5, 17), (11, 17)], 1.8)
    _ring(d, u, 17.5, 16.5, 4.5, 1.7)
    _line(d, u, [(14.6, 19.4), (20.4, 13.6)], 1.7)


def g_gear(d, s, u):
    for k in range(8):
        a = k * math.pi / 4
        _line(d, u, [(12 + 6.5 * math.cos(a), 12 + 6.5 * math.sin(a)),
                     (12 + 9.5 * math.cos(a), 12 + 9.5 * math.sin(a))], 3.0)
    _ring(d, u, 12, 12, 7.5, 2.2)
    _ring(d, u, 12, 12, 3.2, 1.8)


def g_info(d, s, u):
    _ring(d, u, 12, 12, 9.5, 1.9)
    _line(d, u, [(12, 11), (12, 17)], 2.2)
    d.ellipse((u(10.7), u(6.2), u(13.3), u(8.8)), fill=255)


def g_help(d, s, u):  # a speech bubble with a question mark
    d.rounded_rectangle((u(3), u(4), u(21), u(17)), radius=u(4), fill=255)
    d.rounded_rectangle((u(4.9), u(5.9), u(19.1), u(15.1)), radius=u(2.5), fill=0)
    d.polygon([(u(7), u(16)), (u(7), u(21)), (u(12), u(16))], fill=255)
    _arc(d, u, 12, 9, 2.3, 180, 400, 1.6)
    _line(d, u, [(13.3, 10.9), (12, 12), (12, 12.6)], 1.6)
    d.ellipse((u(11.1), u(13.3), u(12.9), u(15.1)), fill=255)


def g_minimize(d, s, u):
    _line(d, u, [(6, 16), (18, 16)], 2.0)


def g_close(d, s, u):
    _line(d, u, [(7, 7), (17, 17)], 2.0)
    _line(d, u, [(17, 7), (7, 17)], 2.0)


def g_scan(d, s, u):  # magnifier
    _ring(d, u, 10, 10, 6.5, 2.2)
    _line(d, u, [(15, 15), (20, 20)], 3.0)


def g_repair(d, s, u):  # a check mark in a shield
    d.polygon([(u(12), u(2.5)), (u(20), u(5.5)), (u(19.5), u(12)), (u(12), u(21.5)),
               (u(4.5), u(12)), (u(4), u(5.5))], fill=255)
    d.polygon([(u(12), u(4.6)), (u(18.1), u(6.9)), (u(17.7), u(11.5)), (u(12), u(19)),
               (u(6.3), u(11.5)), (u(5.9), u(6.9))], fill=0)
    _line(d, u, [(8.6, 11.5), (11, 14), (15.6, 9)], 1.9)


def g_restore(d, s, u):  # a counter-clockwise arrow around a dot
    _arc(d, u, 12, 12, 7.5, 200, 510, 2.0)
    d.polygon([(u(2.6), u(6.8)), (u(8.6), u(7.8)), (u(4.0), u(12.6))], fill=255)
    d.ellipse((u(10.5), u(10.5), u(13.5), u(13.5)), fill=255)


def g_plus(d, s, u):
    _line(d, u, [(12, 5), (12, 19)], 2.2)
    _line(d, u, [(5, 12), (19, 12)], 2.2)


def g_trash(d, s, u):
    _line(d, u, [(5, 7), (19, 7)], 1.8)
    _line(d, u, [(10, 7), (10, 4.5), (14, 4.5), (14, 7)], 1.6)
    d.polygon([(u(6.5), u(8.5)), (u(17.5), u(8.5)), (u(16.5), u(20)), (u(7.5), u(20))], fill=255)
    d.polygon([(u(8.3), u(10)), (u(15.7), u(10)), (u(15), u(18.3)), (u(9), u(18.3))], fill=0)


def g_check(d, s, u):
    _line(d, u, [(5, 12.5), (10, 17.5), (19.5, 7)], 2.6)


def g_history(d, s, u):  # a clock face with the arrow of time turned back
    _arc(d, u, 12, 12, 8, 200, 510, 1.9)
    d.polygon([(u(2.4), u(7.4)), (u(8.0), u(8.0)), (u(4.0), u(12.6))], fill=255)
    _line(d, u, [(12, 8), (12, 12), (15, 14)], 1.8)


def g_back(d, s, u):
    _line(d, u, [(14, 6), (8, 12), (14, 18)], 2.2)


GLYPHS = {"areas": g_areas, "clock": g_clock, "ignore": g_ignore, "gear": g_gear, "info": g_info,
          "help": g_help, "minimize": g_minimize, "close": g_close, "scan": g_scan,
          "repair": g_repair, "restore": g_restore, "plus": g_plus, "trash": g_trash,
          "check": g_check, "back": g_back, "history": g_history}
