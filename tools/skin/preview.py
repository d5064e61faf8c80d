#!/usr/bin/python3
"""Composes preview pictures of the skin the way the program builds its windows: it reads the
written description (not the layout table), loads the pictures it names, cuts every button out
of the state picture it would show, and lays sample texts, lists and edit boxes where the
description puts them. Writes docs/preview/*.png.

    /usr/bin/python3 tools/skin/preview.py
"""
import sys
from pathlib import Path
from PIL import Image, ImageDraw

sys.path.insert(0, str(Path(__file__).resolve().parent))
import palette as P          # noqa: E402
import layout as L           # noqa: E402
import animation             # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
SKIN = ROOT / "resources" / "skin"
OUT = ROOT / "docs" / "preview"
DESKTOP = (96, 110, 128)


def read_ini(path):
    """Sections and keys as the platform's profile reader sees them: names compared without
    case, ';' lines are comments, the first occurrence wins."""
    sections, cur = {}, None
    for raw in path.read_text(encoding="ascii").splitlines():
        line = raw.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            cur = sections.setdefault(line[1:-1].upper(), {})
        elif cur is not None and "=" in line:
            k, v = line.split("=", 1)
            cur.setdefault(k.strip().upper(), v.strip())
    return sections


def numbered(ini, section):
    keys = ini.get(section.upper(), {})
    return [keys[str(i)] for i in range(1, len(keys) + 1) if keys.get(str(i))]


def load(name):
    return Image.open(SKIN / name.strip()).convert("RGB")


def rect(fields):
    x, y, w, h = (int(v) for v in fields[:4])
    return x, y, w, h


def lay_buttons(canvas, ini, section, pictures, states, offset=(0, 0)):
    for line in numbered(ini, section):
        f = line.split(",")
        x, y, w, h = rect(f[1:5])
        state = states.get(f[0], "normal")
        piece = pictures[state].crop((x, y, x + w, y + h))
        canvas.paste(piece, (offset[0] + x, offset[1] + y))


def lay_texts(canvas, ini, section, offset, samples, edit=False):
    d = ImageDraw.Draw(canvas)
    for line in numbered(ini, section):
        f = line.split(",")
        name, bold, height, colour = f[0], f[2].startswith("T"), int(f[4]), int(f[5])
        x, y, w, h = rect(f[6:10])
        x, y = x + offset[0], y + offset[1]
        rgb = (colour & 255, (colour >> 8) & 255, (colour >> 16) & 255)
        if edit:
            d.rectangle((x, y, x + w - 1, y + h - 1), fill=P.CARD, outline=(122, 138, 153))
        txt = samples.get(name, f[10] if len(f) > 10 else "")
        font = P.font(-height, bold)
        tile = Image.new("RGB", (w, h))
        tile.paste(canvas.crop((x, y, x + w, y + h)))
        ImageDraw.Draw(tile).multiline_text((3 if edit else 0, 2 if edit else 0), txt, font=font,
                                            fill=rgb, spacing=2)
        canvas.paste(tile, (x, y))   # clipped at the label's edges, as the program draws it


def lay_list(canvas, ini, section, offset, rows):
    lines = numbered(ini, section)
    if not lines:
        return
    f = lines[0].split(",")
    x, y, w, h = rect(f)
    x, y = x + offset[0], y + offset[1]
    cols = [(f[5 + 2 * i], int(f[6 + 2 * i])) for i in range(int(f[4]))]
    tile = Image.new("RGB", (w, h), P.CARD)
    d = ImageDraw.Draw(tile)
    d.rectangle((0, 0, w - 1, h - 1), outline=(130, 135, 140))
    d.rectangle((1, 1, w - 2, 18), fill=(240, 240, 240))
    cx = 2
    for title, cw in cols:
        d.text((cx + 5, 4), title, font=P.font(11), fill=(0, 0, 0))
        d.line((cx + cw - 1, 2, cx + cw - 1, 17), fill=(200, 200, 200))
        cx += cw
    for r, row in enumerate(rows):
        ry = 20 + r * 17
        cx = 2
        for c, (cell, (_, cw)) in enumerate(zip(row, cols)):
            if c == 0 and cols[0][0] == "Delete":
                d.rectangle((cx + 5, ry + 2, cx + 17, ry + 14), outline=(51, 51, 51))
                d.line((cx + 7, ry + 8, cx + 10, ry + 11, cx + 15, ry + 5), fill=(51, 51, 51), width=2)
            d.text((cx + 5, ry + 2), cell, font=P.font(11), fill=(0, 0, 0))
            cx += cw
    canvas.paste(tile, (x, y))


def lay_animation(canvas, ini, section, offset=(0, 0), frame=5):
    x, y, w, h = rect(ini[section.upper()]["DIMENSION"].split(","))
    anim = animation.unpack((SKIN / "animation.zan").read_bytes())
    import io
    strip = Image.open(io.BytesIO(anim["picture"])).convert("RGB")
    fw, fh = anim["w"], anim["h"]
    fr = strip.crop((frame * fw, 0, (frame + 1) * fw, fh))
    # Centred, unscaled, clipped to the rectangle.
    sx, sy = (fw - w) // 2, (fh - h) // 2
    canvas.paste(fr.crop((sx, sy, sx + w, sy + h)), (offset[0] + x, offset[1] + y))


SAMPLES = {s.name: {t.name: t.sample for t in s.labels + s.edits if t.sample} for s in L.ALL_SCREENS}
TICKED = {"SUBMAIN_MAIN": {"BUTTON_ALL", "BUTTON_COM", "BUTTON_COM_SUBS", "BUTTON_DRV",
                           "BUTTON_HELP", "BUTTON_APPPATH", "BUTTON_SHARED_TOOLS", "BUTTON_FONTS",
                           "BUTTON_STARTUP", "BUTTON_UNINSTALL", "BUTTON_FILETYPES",
                           "BUTTON_SHORTCUTS"},
          "SUBMAIN_SCHEDULE": {"BUTTON_START_AFTER_EVERY", "BUTTON_START_AFTER_EVERY_WEEK"},
          "SUBMAIN_SCHEDULE_DISABLED": {"BUTTON_START_AFTER_EVERY", "BUTTON_START_AFTER_EVERY_WEEK"},
          "SUBMAIN_ADVANCED": {"BUTTON_BACKUP", "BUTTON_AUTOSCAN"}}
PAGE_BUTTON = {"SUBMAIN_MAIN": "BUTTON_MAIN", "SUBMAIN_SCHEDULE": "BUTTON_AUTOSCAN",
               "SUBMAIN_SCHEDULE_DISABLED": "BUTTON_AUTOSCAN", "SUBMAIN_IGNORED": "BUTTON_IGNORED",
               "SUBMAIN_ADVANCED": "BUTTON_ADVSETTINGS", "SUBMAIN_RESULT": "BUTTON_MAIN",
               "SUBMAIN_ABOUT": "BUTTON_ABOUT", "SUBMAIN_HISTORY": "BUTTON_HISTORY"}
SCREEN_SAMPLES = {"SUBMAIN_MAIN": {"PROGRESS_TEXT_COM": "Done", "PROGRESS_COUNT_COM": "3",
                                   "PROGRESS_TEXT_COM_SUBS": "Done", "PROGRESS_COUNT_COM_SUBS": "0",
                                   "PROGRESS_TEXT_DRV": "Scanning", "PROGRESS_COUNT_DRV": "1"}}


def screen_pictures(f):
    names = dict(zip(("normal", "hover", "down", "off"), f[1:5]))
    return {k: load(v) for k, v in names.items()}


def compose_sub(ini, f, hover=None):
    name = f[0]
    pics = screen_pictures(f)
    tile = pics["normal"].copy()
    states = {b: "down" for b in TICKED.get(name, ())}
    if hover:
        states[hover] = "hover"
    lay_buttons(tile, ini, name + "_BUTTONINFO", pics, states)
    samples = SCREEN_SAMPLES.get(name, SAMPLES.get(name, {}))
    if name == "SUBMAIN_MAIN":
        samples["TEXT_ERRORSCAN_CURRENTITEM"] = SAMPLES[name]["TEXT_ERRORSCAN_CURRENTITEM"]
    lay_texts(tile, ini, name + "_TEXTINFO", (0, 0), samples)
    if name != "SUBMAIN_ADVANCED":
        lay_texts(tile, ini, name + "_EDITBOXINFO", (0, 0), {}, edit=True)
    lb = next((s.lists[0] for s in L.SUBSCREENS if s.name == name and s.lists), None)
    lay_list(tile, ini, name + "_LISTINFO", (0, 0), lb.sample if lb else [])
    return tile


def compose_main(ini, sub_name, main_states=None):
    m = ini["MAINSCREENINFO"]
    pics = {"normal": load(m["MAIN"]), "hover": load(m["OVER"]), "down": load(m["DOWN"]),
            "off": load(m["DISABLED"])}
    canvas = pics["normal"].copy()
    states = {PAGE_BUTTON[sub_name]: "off"}
    states.update(main_states or {})
    lay_buttons(canvas, ini, "MAINSCREENBUTTONINFO", pics, states)
    lay_animation(canvas, ini, "MAINSCREENANIMATION")
    for line in numbered(ini, "SUBMAINSCREENINFO"):
        f = line.split(",")
        if f[0] == sub_name:
            x, y, w, h = rect(f[5:9])
            canvas.paste(compose_sub(ini, f).crop((0, 0, w, h)), (x, y))
    mask = load(m["MASK"])
    out = Image.new("RGB", canvas.size, DESKTOP)
    inside = Image.eval(mask.convert("L"), lambda v: 255 if v < 255 else 0)
    out.paste(canvas, (0, 0), inside)
    framed = Image.new("RGB", (canvas.width + 40, canvas.height + 40), DESKTOP)
    framed.paste(out, (20, 20))
    return framed


def compose_progress(ini, section):
    f = numbered(ini, section)[0].split(",")
    name = f[0]
    pics = screen_pictures(f)
    x, y, w, h = rect(f[5:9])
    tile = pics["normal"].copy()
    lay_buttons(tile, ini, name + "_BUTTONINFO", pics, {})
    lay_texts(tile, ini, name + "_TEXTINFO", (0, 0), SAMPLES[name])
    lb = next((s.lists[0] for s in L.PROGRESS if s.name == name and s.lists), None)
    lay_list(tile, ini, name + "_LISTINFO", (0, 0), lb.sample if lb else [])
    if name == "SCREENERRORSCAN":
        lay_animation(tile, ini, "SCANSCREENANIMATION")
    framed = Image.new("RGB", (w + 40, h + 40), DESKTOP)
    framed.paste(tile.crop((0, 0, w, h)), (20, 20))
    return framed


def button_sheet(ini):
    """Every push button in its four states side by side, to check they differ."""
    rows = []
    m = ini["MAINSCREENINFO"]
    groups = [("MAINSCREENBUTTONINFO", [load(m[k]) for k in ("MAIN", "OVER", "DOWN", "DISABLED")])]
    for section in ["SUBMAINSCREENINFO"] + [s.info for s in L.PROGRESS]:
        for line in numbered(ini, section):
            f = line.split(",")
            groups.append((f[0] + "_BUTTONINFO", [load(n) for n in f[1:5]]))
    for section, pics in groups:
        for line in numbered(ini, section):
            f = line.split(",")
            x, y, w, h = rect(f[1:5])
            if f[5].startswith("T") or w > 200:
                continue
            rows.append((section.replace("_BUTTONINFO", "") + " " + f[0],
                         [p.crop((x, y, x + w, y + h)) for p in pics]))
    cell_w = max(im.width for _, ims in rows for im in ims) + 10
    cell_h = max(im.height for _, ims in rows for im in ims) + 8
    sheet = Image.new("RGB", (300 + 4 * cell_w, 24 + len(rows) * cell_h), (250, 250, 250))
    d = ImageDraw.Draw(sheet)
    for i, t in enumerate(("normal", "hover", "pressed", "disabled")):
        d.text((300 + i * cell_w, 4), t, font=P.font(11, True), fill=P.TEXT)
    for r, (title, ims) in enumerate(rows):
        y = 24 + r * cell_h
        d.text((6, y + 4), title, font=P.font(10), fill=P.TEXT)
        for c, im in enumerate(ims):
            sheet.paste(im, (300 + c * cell_w, y))
    return sheet


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    ini = read_ini(SKIN / "skin.ini")
    written = []
    for line in numbered(ini, "SUBMAINSCREENINFO"):
        name = line.split(",")[0]
        path = OUT / f"main-{name.lower().replace('submain_', '')}.png"
        compose_main(ini, name).save(path)
        written.append(path)
    path = OUT / "main-hover-scan.png"
    compose_main(ini, "SUBMAIN_MAIN", {"BUTTON_SCAN": "hover", "BUTTON_AUTOSCAN": "hover"}).save(path)
    written.append(path)
    for s in L.PROGRESS:
        path = OUT / f"progress-{s.stem.replace('_', '-')}.png"
        compose_progress(ini, s.info).save(path)
        written.append(path)
    path = OUT / "buttons.png"
    button_sheet(ini).save(path)
    written.append(path)
    for p in written:
        print(p.relative_to(ROOT))


if __name__ == "__main__":
    main()
