"""Drawing of every kind of skin button in its four states: normal, hover, down, off (disabled).

A push button is drawn in all four states; a check box or radio only needs "normal" (unticked)
and "down" (ticked), since the program shows a toggle with those two pictures alone.
"""
import palette as P
from paint import (coverage, paint, fill_round, stroke_round, panel, text, text_width, glyph,
                   vgradient)

STATES = ("normal", "hover", "down", "off")


def draw_caption(img, b):
    """The text beside a check box or radio; the same in every picture of the screen."""
    if b.caption:
        colour = P.OFF_TEXT if b.dim else P.TEXT
        text(img, b.x + b.w + 6, b.y + b.h / 2, b.caption, b.size, colour, anchor="lm")


def draw_button(img, b, state):
    {"primary": _primary, "secondary": _secondary, "nav": _nav, "window": _window,
     "switch": _switch, "about": _about, "check": _check, "radio": _radio}[b.kind](img, b, state)


def _content(img, b, colour, dy=0):
    """Glyph and label centred in the button."""
    gs = b.size + 4 if b.glyph else 0
    gap = 6 if b.glyph and b.label else 0
    tw = text_width(b.label, b.size, True) if b.label else 0
    x = b.x + (b.w - gs - gap - tw) / 2
    cy = b.y + b.h / 2 + dy
    if b.glyph:
        glyph(img, b.glyph, x + gs / 2, cy, gs, colour)
    if b.label:
        text(img, round(x + gs + gap), round(cy), b.label, b.size, colour, bold=True, anchor="lm")


def _primary(img, b, state):
    fill, edge, fg = {"normal": (P.ACCENT, P.ACCENT_DOWN, P.CARD),
                      "hover": (P.ACCENT_HOVER, P.ACCENT, P.CARD),
                      "down": (P.ACCENT_DOWN, P.ACCENT_DOWN, P.ACCENT_TINT),
                      "off": (P.OFF_FILL, P.OFF_EDGE, P.OFF_TEXT)}[state]
    panel(img, b.x, b.y, b.w, b.h, 6, fill, edge)
    if state == "normal":   # a faint top light gives the resting button some lift
        vgradient(img, b.x + 3, b.y + 1, b.w - 6, 1, (60, 178, 165), (60, 178, 165))
    _content(img, b, fg, 1 if state == "down" else 0)


def _secondary(img, b, state):
    fill, edge, fg = {"normal": (P.CARD, P.CARD_EDGE, P.TEXT),
                      "hover": (P.ACCENT_TINT, P.ACCENT, P.ACCENT_DOWN),
                      "down": (P.ACCENT_TINT_DOWN, P.ACCENT_DOWN, P.ACCENT_DOWN),
                      "off": (P.OFF_FILL, P.OFF_EDGE, P.OFF_TEXT)}[state]
    panel(img, b.x, b.y, b.w, b.h, 5, fill, edge)
    _content(img, b, fg, 1 if state == "down" else 0)


def _nav(img, b, state):
    """A tile of the navigation column; "off" is how the page being shown marks its tile."""
    fill, fg, icon = {"normal": (P.CHROME, P.CHROME_TEXT, P.CHROME_TEXT),
                      "hover": (P.CHROME_HOVER, P.CARD, P.CARD),
                      "down": (P.CHROME_DOWN, P.ACCENT_HOVER, P.ACCENT_HOVER),
                      "off": ((39, 54, 69), P.CARD, P.ACCENT_HOVER)}[state]
    img.paste(P.CHROME, (b.x, b.y, b.x + b.w, b.y + b.h))
    if state != "normal":
        fill_round(img, b.x, b.y, b.w, b.h, 8, fill)
    if state == "off":
        fill_round(img, b.x, b.y + 12, 3, b.h - 24, 1, P.ACCENT_HOVER)
    glyph(img, b.glyph, b.x + b.w / 2, b.y + round(b.h * 0.375), 22, icon)
    text(img, b.x + b.w / 2, b.y + b.h - 12, b.label, b.size, fg, bold=state == "off", anchor="mm")


def _window(img, b, state):
    fill, fg = {"normal": (None, P.CHROME_TEXT), "hover": (P.CHROME_HOVER, P.CARD),
                "down": (P.CHROME_DOWN, P.ACCENT_HOVER), "off": (None, P.CHROME_MUTED)}[state]
    if fill:
        fill_round(img, b.x, b.y, b.w, b.h, 6, fill)
    glyph(img, b.glyph, b.x + b.w / 2, b.y + b.h / 2, 16, fg)


def _switch(img, b, state):
    """The automatic-scan switch; each of its two screens draws it in that screen's position."""
    track = {"normal": P.ACCENT if b.on else (190, 199, 207),
             "hover": P.ACCENT_HOVER if b.on else (170, 181, 191),
             "down": P.ACCENT_DOWN if b.on else (150, 161, 171),
             "off": P.OFF_EDGE}[state]
    img.paste(P.CARD, (b.x, b.y, b.x + b.w, b.y + b.h))
    fill_round(img, b.x, b.y, b.w, b.h, b.h // 2, track)
    d = b.h - 4
    kx = b.x + b.w - 2 - d if b.on else b.x + 2
    fill_round(img, kx, b.y + 2, d, d, d // 2, P.CARD if state != "off" else P.OFF_FILL)
    if state == "hover":
        stroke_round(img, kx, b.y + 2, d, d, d // 2, (255, 255, 255), 1)


def _box_colours(b, state):
    if b.dim:
        return P.OFF_EDGE, P.OFF_FILL, (196, 204, 211)
    edge = P.ACCENT if state == "hover" else (160, 172, 183)
    return edge, P.CARD, P.ACCENT


def _check(img, b, state):
    """A check box exactly b.w x b.h: one-pixel edge on the rectangle itself."""
    edge, fill, mark = _box_colours(b, state)
    n = b.w
    if state == "down":
        fill_round(img, b.x, b.y, n, n, 2, mark)
        tick = coverage(n, n, lambda d, s: d.line(
            [(0.2 * n * s, 0.52 * n * s), (0.42 * n * s, 0.74 * n * s), (0.8 * n * s, 0.28 * n * s)],
            fill=255, width=round(1.6 * s), joint="curve"))
        paint(img, b.x, b.y, tick, P.CARD)
    else:
        img.paste(P.CARD, (b.x, b.y, b.x + n, b.y + n))
        fill_round(img, b.x, b.y, n, n, 2, edge)
        fill_round(img, b.x + 1, b.y + 1, n - 2, n - 2, 1, fill)


def _radio(img, b, state):
    edge, fill, mark = _box_colours(b, state)
    n = b.w
    img.paste(P.CARD, (b.x, b.y, b.x + n, b.y + n))
    if state == "down":
        fill_round(img, b.x, b.y, n, n, n / 2, mark)
        dot = n * 0.36
        fill_round(img, b.x + round((n - dot) / 2), b.y + round((n - dot) / 2),
                   round(dot), round(dot), dot / 2, P.CARD)
    else:
        fill_round(img, b.x, b.y, n, n, n / 2, edge)
        fill_round(img, b.x + 1, b.y + 1, n - 2, n - 2, (n - 2) / 2, fill)


def _about(img, b, state):
    """The whole about page is one button; hover and press tint it and light up the way back."""
    tint = {"normal": None, "hover": (247, 251, 250), "down": P.ACCENT_TINT, "off": None}[state]
    if tint:
        # Tint only the white paper, leaving the drawn content as it is.
        img.tint_where((b.x, b.y, b.x + b.w, b.y + b.h), P.CARD, tint)
    colour = {"normal": P.TEXT_MUTED, "hover": P.ACCENT, "down": P.ACCENT_DOWN,
              "off": P.OFF_EDGE}[state]
    glyph(img, "back", b.x + 20, b.y + b.h - 18, 14, colour)
    text(img, b.x + 30, b.y + b.h - 18, "Click anywhere to return to the scan areas", 10, colour,
         bold=state in ("hover", "down"), anchor="lm")
