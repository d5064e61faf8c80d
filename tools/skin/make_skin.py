#!/usr/bin/python3
"""Renders Zenthar's built-in look into resources/: the skin description, every picture, the
mask, the animation, the icons, and the resource list that Zenthar.rc includes.

Every picture, the mask and the animation are drawn once per picture set (SETS) from the same
layout table: 1x beside the description, the larger sets in a folder named by their percentage.
The program picks the set nearest above its display's scale and smooths it down to that scale.

    /usr/bin/python3 tools/skin/make_skin.py [--preview]

Needs Pillow (Debian python3-pil) and fonts-dejavu-core. The outputs are committed; the build
compiles them and does not run this script.
"""
import io
import re
import struct
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
import paint as D              # noqa: E402
from paint import coverage, paint, text_width  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
RES = ROOT / "resources"
SKIN = RES / "skin"
# Picture sets: (scale, folder under resources/skin, picture resource type, animation type).
SETS = [(1, "", "GIF", "SWF"), (1.5, "150", "GIF150", "SWF150"), (2, "200", "GIF200", "SWF200")]
# Common display scales between the sets, where only the text's fit is checked.
BETWEEN = (1.25, 1.75, 2.5)
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


def write_mask(shape, folder):
    """The 1x mask stays the 24-bit bitmap skins have always brought; the larger sets hold the
    same two colours as a run-length bitmap, a hundredth of the size and quicker to decode than a
    GIF of the same pixels (the program decodes any of them)."""
    inside = shape.point(lambda v: 255 if v >= 128 else 0)
    mask = Image.new("RGB", shape.size, (255, 255, 255))
    mask.paste((0, 0, 0), (0, 0), inside)
    if folder == SKIN:
        mask.save(folder / "Mask.bmp", format="BMP")
        return "Mask.bmp"
    (folder / "mask.bmp").write_bytes(rle8_bitmap(inside))
    return "mask.bmp"


def rle8_bitmap(inside):
    """A Windows bitmap (BI_RLE8) of two colours: black where `inside` is set, white elsewhere."""
    w, h = inside.size
    pixels = inside.load()
    data = bytearray()
    for y in range(h - 1, -1, -1):          # bottom row first
        x = 0
        while x < w:
            v = 0 if pixels[x, y] else 1     # palette: 0 black, 1 white
            n = 1
            while x + n < w and n < 255 and (0 if pixels[x + n, y] else 1) == v:
                n += 1
            data += bytes((n, v))
            x += n
        data += b"\x00\x00"                 # end of line
    data[-2:] = b"\x00\x01"                 # end of bitmap
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0)) + bytes(4 * 254)   # a full table: every reader takes it
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1, len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + palette + bytes(data)


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


def files_by_names(names, pictures):
    """A larger set's pictures under the 1x set's file names, so that both share one description."""
    files = {}
    for st, name in names.items():
        files.setdefault(name, pictures[st])
    return files


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


def render_set(scale, folder, ver, names):
    """Draws one picture set into folder; fills names (screen -> state -> file) at 1x, reuses them
    otherwise. Returns the picture file names and the layout problems found at this scale."""
    D.set_scale(scale)
    folder.mkdir(parents=True, exist_ok=True)
    problems, resources = [], []
    shape = screens.window_shape()
    for s in L.ALL_SCREENS:
        s.version = ver
        problems += [f"{p} (at {scale}x)" for p in check_fit(s)]
        pictures = screens.render(s)
        if s is L.MAIN:
            for im in pictures.values():
                finish_window(im, shape)
        pictures = {st: c.im for st, c in pictures.items()}
        if scale == 1:
            names[s.name], files = picture_names(s, pictures)
        else:
            files = files_by_names(names[s.name], pictures)
        save_gifs(files, folder)
        resources += sorted(files)
    mask = write_mask(shape, folder)
    return sorted(set(resources)), mask, problems


def write_animation(scale, folder):
    buf = io.BytesIO()
    strip = animation.strip(scale)
    strip.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).save(buf, "GIF")
    (folder / "animation.zan").write_bytes(animation.pack(buf.getvalue(), scale))


def main():
    SKIN.mkdir(parents=True, exist_ok=True)
    (RES / "icons").mkdir(exist_ok=True)
    ver = version()
    problems, names = [], {}
    lines = ["// Written by tools/skin/make_skin.py: the skin description, its pictures and the",
             "// animation. Picture resources are named by the upper-case base name of their file;",
             "// each picture set has a resource type of its own (GIF is 1x, GIF150 1.5x, GIF200 2x),",
             "// and so has the animation (SWF, SWF150, SWF200).",
             'SKININI INI "skin/skin.ini"']
    sizes = []
    for scale, sub, picture_type, movie_type in SETS:
        folder = SKIN / sub if sub else SKIN
        rel = f"skin/{sub}/" if sub else "skin/"
        resources, mask, found = render_set(scale, folder, ver, names)
        problems += found
        write_animation(scale, folder)
        lines += [f'MASK {picture_type} "{rel}{mask}"', f'ANIMATION {movie_type} "{rel}animation.zan"']
        lines += [f'{Path(f).stem.upper()} {picture_type} "{rel}{f}"' for f in resources]
        files = resources + [mask, "animation.zan"]
        sizes.append((scale, sum((folder / f).stat().st_size for f in files)))
    # Scales drawn from a larger set at load time: the program's text must fit there too.
    for scale in BETWEEN:
        D.set_scale(scale)
        problems += [f"{p} (at {scale}x)" for s in L.ALL_SCREENS for p in check_fit(s)]
    D.set_scale(1)
    if problems:
        sys.exit("layout problems:\n  " + "\n  ".join(problems))
    (SKIN / "skin.ini").write_bytes(skinini.describe(names).encode("ascii") + b"\r\n")

    icons.write_ico(RES / "icons" / "zenthar.ico", round_badge=False)
    icons.write_ico(RES / "icons" / "tray.ico", round_badge=True)

    (RES / "skin_resources.rc").write_text("\n".join(lines) + "\n")
    for scale, size in sizes:
        print(f"picture set {scale}x: {size} bytes (pictures, mask and animation)")
    if "--preview" in sys.argv:
        import preview
        preview.main()


if __name__ == "__main__":
    main()
