"""Writing pictures as GIF with one shared palette per family of pictures.

The four state pictures of a screen are cut into each other by the program (a hovered button is
a piece of the hover picture laid into the normal one), so a colour that is the same in two
pictures must stay the same after the reduction to 256 colours: one palette, no dithering.
"""
from PIL import Image
import palette as P


def shared_palette(images):
    width = max(im.width for im in images)
    combined = Image.new("RGB", (width, sum(im.height for im in images)), P.CARD)
    y = 0
    for im in images:
        combined.paste(im, (0, y))
        y += im.height
    colours = combined.getcolors(256)
    if colours is not None:
        flat = [c for _, rgb in colours for c in rgb]
    else:
        # Leave room for the flat colours so that they stay exact.
        keys = list(dict.fromkeys(P.KEY_COLOURS))
        reduced = combined.quantize(256 - len(keys), method=Image.Quantize.MEDIANCUT,
                                    dither=Image.Dither.NONE)
        pal = reduced.getpalette()[: 3 * (256 - len(keys))]
        flat = pal + [c for rgb in keys for c in rgb]
    flat += [0] * (768 - len(flat))
    holder = Image.new("P", (1, 1))
    holder.putpalette(flat)
    return holder


def save_gifs(pictures, folder):
    """pictures: file name -> RGB image; all share one palette."""
    holder = shared_palette(list(pictures.values()))
    for name, im in pictures.items():
        im.quantize(palette=holder, dither=Image.Dither.NONE).save(folder / name, format="GIF")
