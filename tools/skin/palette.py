"""Colours and fonts of the built-in look: a calm slate and paper palette with one teal accent."""
from PIL import ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
# The face name the description gives its labels and edit boxes (the pictures use the same family).
LABEL_FACE = "DejaVu Sans"

# Frame: header and navigation column.
CHROME = (29, 41, 53)
CHROME_TOP = (36, 50, 64)
CHROME_HOVER = (44, 60, 76)
CHROME_DOWN = (20, 29, 38)
CHROME_TEXT = (168, 182, 195)
CHROME_MUTED = (110, 127, 143)
RIM = (12, 18, 24)

# Content.
PAGE = (236, 240, 244)
CARD = (255, 255, 255)
CARD_EDGE = (212, 220, 227)
ZEBRA = (246, 248, 250)
DIVIDER = (228, 233, 238)
TEXT = (31, 41, 51)
TEXT_SOFT = (92, 104, 116)
TEXT_MUTED = (140, 151, 161)

# The one accent colour and its states.
ACCENT = (23, 150, 136)
ACCENT_HOVER = (36, 172, 157)
ACCENT_DOWN = (15, 118, 107)
ACCENT_TINT = (228, 244, 241)
ACCENT_TINT_DOWN = (205, 234, 229)

# Text that says an entry was refused.
WARN = (176, 52, 40)

# Disabled controls.
OFF_FILL = (232, 236, 239)
OFF_EDGE = (214, 220, 225)
OFF_TEXT = (160, 170, 179)

# Colours that must survive palette reduction exactly (flat areas shared between pictures).
KEY_COLOURS = [PAGE, CARD, CARD_EDGE, CHROME, ZEBRA, DIVIDER, TEXT, TEXT_SOFT, ACCENT,
               ACCENT_HOVER, ACCENT_DOWN, ACCENT_TINT, OFF_FILL, CHROME_HOVER, CHROME_DOWN,
               (0, 0, 0)]

_cache = {}


def font(size, bold=False):
    """DejaVu Sans at a pixel size (the em size FreeType is given)."""
    key = (size, bold)
    if key not in _cache:
        name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
        _cache[key] = ImageFont.truetype(FONT_DIR + name, size)
    return _cache[key]


def colorref(rgb):
    """A Windows colour value 0x00BBGGRR as the decimal text the description holds."""
    r, g, b = rgb
    return str(r | (g << 8) | (b << 16))
