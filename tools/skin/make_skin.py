#!/usr/bin/python3
"""Renders Zenthar's built-in look into resources/: the skin description, every picture, the
mask, the animation, the icons, and the resource list that Zenthar.rc includes.

    /usr/bin/python3 tools/skin/make_skin.py [--preview]

Needs Pillow (Debian python3-pil) and fonts-dejavu-core. The outputs are committed; the build
compiles them and does not run this script.
"""
import io
import re
import sys
from pathlib import Path
from PIL import Image

sys.path.insert(0, str(Path(__file__).resolve().parent))
import palette as P          # noqa: E402
import layout as L           # noqa: E402
import screens               # noqa: E402
import animation             # noqa: E402
import icons                 # noqa: E402
import skinini               # noqa: E402
from gifout import save_gifs  # noqa: E402
from paint import coverage, paint, text_width  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
RES = ROOT / "resources"
SKIN = RES / "skin"
MAIN_NAMES = {"normal": "home_on.gif", "hover": "home_hover.gif", "down": "home_click.gif",
              "off": "home_off.gif"}


def version():
    m = re.search(r'#define\s+ZENTHAR_VERSION_TEXT\s+"([^"]+)"', (RES / "resource.h").read_text())
    return m.group(1) if m else L.VERSION_FALLBACK


def finish_window(img, shape):
    """Soft rim: the outline's partly covered pixels fade into a dark edge, and a faint line
    runs just inside it; what lies outside the mask is never shown."""
    rim = shape.point(lambda v: 255 - v)
    paint(img, 0, 0, rim, P.RIM)
    w, h, r = img.width, img.height, L.CORNER
    edge = coverage(w, h, lambda d, s: (d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), r * s, fill=255),
                                         d.rounded_rectangle((s, s, (w - 1) * s - 1, (h - 1) * s - 1),
                                                             (r - 1) * s, fill=0)))
    paint(img, 0, 0, edge.point(lambda v: v * 45 // 100), P.RIM)


def write_mask(shape):
    inside = shape.point(lambda v: 255 if v >= 128 else 0)
    mask = Image.new("RGB", shape.size, (255, 255, 255))
    mask.paste((0, 0, 0), (0, 0), inside)
    mask.save(SKIN / "Mask.bmp", format="BMP")


def picture_names(s, pictures):
    """File names per state; a state that looks exactly like an earlier one reuses its picture."""
    if s is L.MAIN:
        return dict(MAIN_NAMES), {MAIN_NAMES[st]: im for st, im in pictures.items()}
    names, files = {}, {}
    for st, im in pictures.items():
        same = next((n for n, other in files.items() if other.tobytes() == im.tobytes()), None)
        names[st] = same or f"{s.stem}_{st}.gif"
        files.setdefault(names[st], im)
    return names, files


def check_fit(s):
    """Every sample text must fit its label, every button text its button."""
    problems = []
    for t in s.labels + s.edits:
        lines = (t.sample or t.text).split("\n")
        for line in lines:
            if text_width(line, -t.height, t.bold) > t.w:
                problems.append(f"{s.name}/{t.name}: '{line}' is wider than {t.w}")
        if len(lines) * round(-t.height * 1.25) > t.h:
            problems.append(f"{s.name}/{t.name}: {len(lines)} lines do not fit {t.h} pixels")
    for b in s.buttons:
        if b.label and text_width(b.label, b.size, True) + (b.size + 10 if b.glyph and b.kind != "nav" else 0) > b.w - 8:
            problems.append(f"{s.name}/{b.name}: '{b.label}' is too wide")
    return problems


def main():
    SKIN.mkdir(parents=True, exist_ok=True)
    (RES / "icons").mkdir(exist_ok=True)
    ver = version()
    problems, names, resources = [], {}, []
    shape = screens.window_shape()
    for s in L.ALL_SCREENS:
        s.version = ver
        problems += check_fit(s)
        pictures = screens.render(s)
        if s is L.MAIN:
            for im in pictures.values():
                finish_window(im, shape)
        names[s.name], files = picture_names(s, pictures)
        save_gifs(files, SKIN)
        resources += sorted(files)
    if problems:
        sys.exit("layout problems:\n  " + "\n  ".join(problems))
    write_mask(shape)
    (SKIN / "skin.ini").write_bytes(skinini.describe(names).encode("ascii") + b"\r\n")

    buf = io.BytesIO()
    strip = animation.strip()
    strip.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).save(buf, "GIF")
    (SKIN / "animation.zan").write_bytes(animation.pack(buf.getvalue()))

    icons.write_ico(RES / "icons" / "zenthar.ico", round_badge=False)
    icons.write_ico(RES / "icons" / "tray.ico", round_badge=True)

    lines = ["// Written by tools/skin/make_skin.py: the skin description, its pictures and the",
             "// animation. Picture resources are named by the upper-case base name of their file.",
             'SKININI INI "skin/skin.ini"', 'MASK GIF "skin/Mask.bmp"',
             'ANIMATION SWF "skin/animation.zan"']
    for f in sorted(set(resources)):
        lines.append(f'{Path(f).stem.upper()} GIF "skin/{f}"')
    (RES / "skin_resources.rc").write_text("\n".join(lines) + "\n")
    print(f"wrote {len(set(resources))} pictures, the mask, the animation and two icons")
    if "--preview" in sys.argv:
        import preview
        preview.main()


if __name__ == "__main__":
    main()
