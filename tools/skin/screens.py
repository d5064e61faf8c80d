"""Static content of every screen, and the four state pictures of each screen."""
import palette as P
import layout as L
from paint import (Canvas, coverage, paint, fill_round, stroke_round, panel, text, text_lines, text_width,
                   glyph, vgradient)
from widgets import STATES, draw_button, draw_caption


def window_shape():
    """Coverage of the window's rounded outline; the mask keeps pixels covered at least half."""
    w, h, r = L.WINDOW_W, L.WINDOW_H, L.CORNER
    return coverage(w, h, lambda d, s: d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), r * s,
                                                            fill=255))


def logo(img, x, y, n):
    fill_round(img, x, y, n, n, n * 0.26, P.ACCENT)
    vgradient_mask(img, x, y, n)
    glyph(img, "scan", x + n / 2, y + n / 2, round(n * 0.7), P.CARD)


def vgradient_mask(img, x, y, n):
    """A gentle light on the upper half of the logo tile."""
    top = coverage(n, n // 2, lambda d, s: d.rounded_rectangle((0, 0, n * s - 1, n * s), n * 0.26 * s,
                                                                fill=26))
    paint(img, x, y, top, (255, 255, 255))


def title(img, s, heading, sub=None):
    text(img, 12, 6, heading, 13, P.TEXT, bold=True)
    if sub:
        text(img, 12, 25, sub, 10, P.TEXT_SOFT)


def list_frame(img, lb):
    img.paste(P.CARD_EDGE, (lb.x, lb.y, lb.x + lb.w, lb.y + lb.h))
    img.paste(P.CARD, (lb.x + 1, lb.y + 1, lb.x + lb.w - 1, lb.y + lb.h - 1))
    img.paste(P.ZEBRA, (lb.x + 1, lb.y + 1, lb.x + lb.w - 1, lb.y + 19))


def edit_frame(img, e, enabled=True):
    panel(img, e.x - 1, e.y - 1, e.w + 2, e.h + 2, 3, P.CARD if enabled else P.OFF_FILL,
          (168, 179, 189) if enabled else P.OFF_EDGE)


def divider(img, y, x0=12, x1=337):
    img.paste(P.DIVIDER, (x0, y, x1, y + 1))


# ---------------------------------------------------------------- main window
def d_main(img, s):
    W, H = L.WINDOW_W, L.WINDOW_H
    img.paste(P.CHROME, (0, 0, W, H))
    vgradient(img, 0, 0, W, L.HEADER_H, P.CHROME_TOP, P.CHROME)
    fill_round(img, L.SIDEBAR_W, L.HEADER_H, W, H, 12, P.PAGE)
    logo(img, 20, 15, 34)
    text(img, 64, 12, "Zenthar", 22, P.CARD, bold=True)
    text(img, 65, 40, "Registry cleaner", 11, P.CHROME_TEXT)
    text(img, L.SIDEBAR_W / 2, 490, "Version " + s.version, 9, P.CHROME_MUTED, anchor="mm")

    x, y, w, h = L.ANIMATION_CARD
    panel(img, x, y, w, h, 10, P.CARD, P.CARD_EDGE)
    scan = s.button("BUTTON_SCAN")
    for i, line in enumerate(("Looks for entries that", "point at missing files")):
        text(img, x + w / 2, scan.y + scan.h + 14 + i * 14, line, 10, P.TEXT_SOFT, anchor="mm")

    x, y, w, h = L.SUBSCREEN_CARD
    panel(img, x, y, w, h, 10, P.CARD, P.CARD_EDGE)
    steps(img, x, w, y + 17)
    img.paste(P.DIVIDER, (x + 1, L.SUB_Y - 5, x + w - 1, L.SUB_Y - 4))

    x, y, w, h = L.ACTION_CARD
    panel(img, x, y, w, h, 10, P.CARD, P.CARD_EDGE)
    text(img, x + 10, y + 10, "Actions", 12, P.TEXT, bold=True)
    for name, lines in (("BUTTON_REMOVE", ("Removes the ticked", "entries. An undo file", "is kept first.")),
                        ("BUTTON_RESTORE", ("Puts the newest", "registry backup", "back in place."))):
        b = s.button(name)
        text_lines(img, b.x + 2, b.y + b.h + 10, lines, 10, P.TEXT_SOFT)

    x, y, w, h = L.FEATURE_CARD
    panel(img, x, y, w, h, 10, P.CARD, P.CARD_EDGE)
    col = w // 3
    top = y + (h - 92) // 2
    for i, (icon, head, lines) in enumerate((
            ("repair", "Safe repairs", ("A registry backup and an", "undo file are written before", "any entry is removed.")),
            ("ignore", "Your choice counts", ("Entries you untick go to the", "ignore list and are not", "reported again.")),
            ("clock", "Automatic scans", ("Zenthar can scan by itself", "while it runs, or start from", "a Windows scheduled task.")))):
        cx = x + i * col + 20
        fill_round(img, cx, top, 36, 36, 18, P.ACCENT_TINT)
        glyph(img, icon, cx + 18, top + 18, 22, P.ACCENT)
        text(img, cx + 48, top + 2, head, 12, P.TEXT, bold=True)
        text_lines(img, cx + 48, top + 24, lines, 10, P.TEXT_SOFT, leading=15)
        if i:
            img.paste(P.DIVIDER, (x + i * col, y + 18, x + i * col + 1, y + h - 18))


def steps(img, x0, width, cy):
    """The four steps of a clean-up, centred in the header of the sub-screen card."""
    labels = ("Choose areas", "Scan", "Review", "Repair")
    parts = [22 + text_width(lab, 11) for lab in labels]
    gap = 26
    x = x0 + (width - sum(parts) - gap * (len(labels) - 1)) // 2
    for i, lab in enumerate(labels):
        fill_round(img, x, cy - 8, 16, 16, 8, P.ACCENT_TINT)
        text(img, x + 8, cy, str(i + 1), 10, P.ACCENT_DOWN, bold=True, anchor="mm")
        text(img, x + 22, cy, lab, 11, P.TEXT, anchor="lm")
        x += parts[i]
        if i + 1 < len(labels):
            _chevron(img, x + gap // 2, cy)
            x += gap


def _chevron(img, x, cy):
    m = coverage(8, 10, lambda d, s: d.line([(2 * s, 1.5 * s), (5.5 * s, 5 * s), (2 * s, 8.5 * s)],
                                            fill=255, width=round(1.4 * s), joint="curve"))
    paint(img, x - 4, cy - 5, m, P.TEXT_MUTED)


# ---------------------------------------------------------------- sub-screens
def d_areas(img, s):
    title(img, s, "Scan areas")
    img.paste(P.ZEBRA, (6, 24, 343, 40))
    img.paste(P.DIVIDER, (6, 40, 343, 41))
    allb = s.button("BUTTON_ALL")
    for x, t in ((allb.x + 15, "Area"), (L.STATE_X, "Status"), (L.COUNT_X, "Found")):
        text(img, x, allb.y + allb.h / 2, t, 10, P.TEXT_SOFT, bold=True, anchor="lm")
    for i in range(len(L.CATEGORIES)):
        if i % 2:
            y = L.ROW_TOP + i * L.ROW_H
            img.paste(P.ZEBRA, (6, y, 343, y + L.ROW_H))
    divider(img, L.ROW_TOP + len(L.CATEGORIES) * L.ROW_H + 1, 6, 343)


def d_schedule(img, s):
    off = s.off
    title(img, s, "Automatic scans",
          "Automatic scans are off; switch them on to choose a period." if off
          else "While it runs, Zenthar scans by itself on this schedule.")
    sw = s.button("BUTTON_AUTOSCAN_ENABLE")
    text(img, sw.x - 6, sw.y + sw.h / 2, "Off" if off else "On", 11,
         P.TEXT_SOFT if off else P.ACCENT_DOWN, bold=True, anchor="rm")
    every = s.button("BUTTON_START_EVERY")
    field = L.Label("", 98, 45, 36, 18)
    if s.edits:
        field = s.edits[0]
    edit_frame(img, field, enabled=not off)
    text(img, field.x + field.w + 6, every.y + every.h / 2, "minutes", 11,
         P.OFF_TEXT if off else P.TEXT, anchor="lm")
    lb = s.lists[0]
    divider(img, lb.y - 22)
    text(img, 12, lb.y - 17, "Windows scheduled tasks", 11, P.TEXT, bold=True)
    list_frame(img, lb)


def d_ignored(img, s):
    title(img, s, "Ignore list", "Entries you kept. Zenthar does not report them again.")
    list_frame(img, s.lists[0])


def d_settings(img, s):
    title(img, s, "Settings")
    for i, (name, _, desc) in enumerate(L.OPTIONS):
        b = s.button(name)
        text(img, b.x + b.w + 6, b.y + b.h / 2 + 9, desc, 10, P.TEXT_SOFT, anchor="lt")
    divider(img, 134)
    text(img, 12, 142, "Undo a repair", 11, P.TEXT, bold=True)
    text_lines(img, 12, 159, ("Puts back what an earlier repair removed, from",
                              "the undo file that repair left behind."), 10, P.TEXT_SOFT, leading=13)


def actions_card(img, dx, dy):
    """The main window's actions card, drawn at an offset (the result page lies over it)."""
    x, y, w, h = L.ACTION_CARD
    x, y = x - dx, y - dy
    panel(img, x, y, w, h, 10, P.CARD, P.CARD_EDGE)
    text(img, x + 10, y + 10, "Actions", 12, P.TEXT, bold=True)
    for name, lines in (("BUTTON_REMOVE", ("Removes the ticked", "entries. An undo file", "is kept first.")),
                        ("BUTTON_RESTORE", ("Puts the newest", "registry backup", "back in place."))):
        b = L.MAIN.button(name)
        text_lines(img, b.x - dx + 2, b.y - dy + b.h + 10, lines, 10, P.TEXT_SOFT)


def d_results(img, s):
    # The page covers the cards beneath it, so it draws its own on the page colour.
    img.paste(P.PAGE, (0, 0, s.w, s.h))
    panel(img, *L.RESULT_MAIN_CARD, 10, P.CARD, P.CARD_EDGE)
    actions_card(img, s.x, s.y)
    x, y, w, h = L.RESULT_REPORT_CARD
    panel(img, x, y, w, h, 10, P.CARD, P.CARD_EDGE)
    text(img, x + 10, y + 10, "Report", 12, P.TEXT, bold=True)
    b = s.button("BUTTON_SAVE_REPORT")
    text_lines(img, b.x + 2, b.y + b.h + 10, ("Every finding in a", "spreadsheet file or", "on a web page."),
               10, P.TEXT_SOFT)
    title(img, s, "Scan results", "Untick what you keep; Repair removes the rest. Click a column to sort.")
    lb = s.lists[0]
    list_frame(img, lb)
    details = s.label("TEXT_RESULT_DETAILS")
    panel(img, 12, details.y - 6, lb.w, details.h + 12, 6, P.ZEBRA, P.DIVIDER)


def d_history(img, s):
    title(img, s, "Repair history")
    text(img, 337, 13, "Newest first; pick one for its entries", 10, P.TEXT_SOFT, anchor="rm")
    for lb in s.lists:
        list_frame(img, lb)


def d_about(img, s):
    logo(img, 24, 22, 48)
    text(img, 86, 24, "Zenthar", 22, P.TEXT, bold=True)
    text(img, 87, 53, "Registry cleaner for Windows", 11, P.TEXT_SOFT)
    text(img, 24, 88, "Version " + s.version, 11, P.TEXT, bold=True)
    text_lines(img, 24, 112, ("Zenthar finds registry entries and shortcuts that",
                              "point at files which no longer exist, and removes",
                              "them safely: every repair is backed up first and",
                              "can be undone."), 10, P.TEXT_SOFT, leading=15)
    divider(img, 184, 24, 325)


# ---------------------------------------------------------------- progress and summary screens
def dialog_frame(img, s):
    """The progress windows stand alone: a thin frame and an accent line on top."""
    img.paste(P.CARD_EDGE, (0, 0, s.w, s.h))
    img.paste(P.CARD, (1, 1, s.w - 1, s.h - 1))
    img.paste(P.ACCENT, (0, 0, s.w, 3))


def d_scanning(img, s):
    dialog_frame(img, s)
    x, y, w, h = L.SCAN_ANIMATION
    text(img, 140, 18, "Scanning the registry", 14, P.TEXT, bold=True)
    text_lines(img, 140, 40, ("This takes a few minutes. You can", "stop at any time."), 10,
               P.TEXT_SOFT, leading=13)


def stat(img, x, y, caption, lab):
    text(img, x, lab.y + lab.h / 2, caption, 10, P.TEXT_SOFT, anchor="lm")


def d_scan_done(img, s):
    dialog_frame(img, s)
    list_frame(img, s.lists[0])
    stat(img, 110, 0, "Scanned", s.label("TEXT_SCANCOMPLETE_ITEMSCANNED"))
    stat(img, 228, 0, "Found", s.label("TEXT_SCANCOMPLETE_ERRORFOUND"))


def d_repairing(img, s):
    dialog_frame(img, s)
    text(img, 12, 12, "Repairing", 14, P.TEXT, bold=True)
    text_lines(img, 12, 34, ("A backup and an undo file are written first,",
                             "so every change can be reversed."), 10, P.TEXT_SOFT, leading=13)
    for i, cap in enumerate(("Scanned", "Found", "Repaired")):
        lab = s.label(("TEXT_ERRORFIXING_ITEMSCANNED", "TEXT_ERRORFIXING_ERRORFOUND",
                       "TEXT_ERRORFIXING_FIXED")[i])
        panel(img, lab.x - 10, 116, 101, 76, 8, P.ZEBRA, P.DIVIDER)
        text(img, lab.x, 126, cap, 10, P.TEXT_SOFT)


def d_repair_done(img, s):
    dialog_frame(img, s)
    text(img, 12, 10, "Repair complete", 14, P.TEXT, bold=True)
    list_frame(img, s.lists[0])
    stat(img, 12, 0, "Scanned", s.label("TEXT_FIXCOMPLETE_ITEMSCANNED"))
    stat(img, 118, 0, "Found", s.label("TEXT_FIXCOMPLETE_ERRORFOUND"))
    stat(img, 212, 0, "Repaired", s.label("TEXT_FIXCOMPLETE_FIXED"))


DECOR = {"main": d_main, "areas": d_areas, "schedule": d_schedule, "ignored": d_ignored,
         "settings": d_settings, "results": d_results, "about": d_about, "history": d_history, "scanning": d_scanning,
         "scan_done": d_scan_done, "repairing": d_repairing, "repair_done": d_repair_done}


def render(s):
    """The four state pictures of screen s at the current scale, as a dict state -> Canvas."""
    base = Canvas(s.w, s.h, P.CARD)
    DECOR[s.decor](base, s)
    for b in s.buttons:
        draw_caption(base, b)
    pictures = {}
    for state in STATES:
        img = base.copy()
        for b in s.buttons:
            draw_button(img, b, state)
        pictures[state] = img
    return pictures
