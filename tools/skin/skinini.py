"""Writing the skin description from the layout table, in the line formats the reader expects."""
import palette as P
import layout as L

MAX_LINE = 255   # the reader splits a value in a 256-character copy


def flag(v):
    return "TRUE" if v else "FALSE"


def button_line(b):
    return f"{b.name},{b.x},{b.y},{b.w},{b.h},{flag(b.toggle)}"


def text_line(t):
    return (f"{t.name},{P.LABEL_FACE},{flag(t.bold)},FALSE,{t.height},{P.colorref(t.colour)},"
            f"{t.x},{t.y},{t.w},{t.h},{t.text}")


def screen_line(s, names):
    return ",".join([s.name] + [names[st] for st in ("normal", "hover", "down", "off")] +
                    [str(v) for v in (s.x, s.y, s.w, s.h)])


def list_line(lb):
    cols = [f"{t},{w}" for t, w in lb.columns]
    return ",".join([str(v) for v in (lb.x, lb.y, lb.w, lb.h, len(lb.columns))] + cols)


def numbered(title, lines):
    out = [f"[{title}]"]
    for i, line in enumerate(lines, 1):
        if len(line) > MAX_LINE:
            raise ValueError(f"{title} line {i} is longer than {MAX_LINE} characters")
        out.append(f"{i}={line}")
    return out + [""]


def element_sections(s, with_lists=True):
    out = []
    if s.buttons:
        out += numbered(s.name + "_BUTTONINFO", [button_line(b) for b in s.buttons])
    if s.labels:
        out += numbered(s.name + "_TEXTINFO", [text_line(t) for t in s.labels])
    if s.edits:
        out += numbered(s.name + "_EDITBOXINFO", [text_line(t) for t in s.edits])
    if s.lists and with_lists:
        out += numbered(s.name + "_LISTINFO", [list_line(lb) for lb in s.lists])
    return out


def describe(names):
    """The description text; names maps a screen name to its state -> picture file name."""
    m = names["MAIN"]
    out = ["; Zenthar's built-in skin. Written by tools/skin/make_skin.py from its layout table:",
           "; change the table and run the generator, never this file by hand.",
           "; Coordinates are pixels in the client area of the window that owns each element.",
           "",
           "[MAINSCREENINFO]", f"Main={m['normal']}", "Mask=Mask.bmp", f"Over={m['hover']}",
           f"Down={m['down']}", f"Disabled={m['off']}", ""]
    out += numbered("MAINSCREENBUTTONINFO", [button_line(b) for b in L.MAIN.buttons])
    out += ["; The main window has no labels of its own, so there is no TEXTINFO section.", ""]
    out += numbered("SUBMAINSCREENINFO", [screen_line(s, names[s.name]) for s in L.SUBSCREENS])
    out += ["[MAINSCREENANIMATION]", "DIMENSION=%d,%d,%d,%d" % L.ANIMATION, ""]
    out += ["; Inside the 349 x 136 scan-progress screen; the player centres its frames.",
            "[SCANSCREENANIMATION]", "DIMENSION=%d,%d,%d,%d" % L.SCAN_ANIMATION, ""]
    for s in L.SUBSCREENS:
        out += element_sections(s)
    for section, buttons in L.UNPLACED.items():
        out += ["; No screen line names this screen: the section is never read."]
        out += numbered(section, [button_line(b) for b in buttons])
    for s in L.PROGRESS:
        out += numbered(s.info, [screen_line(s, names[s.name])])
        out += element_sections(s)
        if not s.buttons:
            out += [f"; No buttons while this screen shows.", f"[{s.name}_BUTTONINFO]", ""]
    return "\r\n".join(out)
