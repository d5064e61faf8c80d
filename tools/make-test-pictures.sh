#!/usr/bin/env bash
# Makes the pictures of the window tests (checked in under tests/resources; run again only to change them).
# Needs ImageMagick. Each state picture is one plain colour so that tests can check drawn pixels.
set -eu
out="$(cd "$(dirname "$0")/../tests/resources" && pwd)"
convert -size 200x120 xc:'#2050A0' "$out/state_normal.gif"
convert -size 200x120 xc:'#20A050' "$out/state_over.gif"
convert -size 200x120 xc:'#A02050' "$out/state_down.gif"
convert -size 200x120 xc:'#808080' "$out/state_disabled.gif"
# A busy picture for the cutting test: every pixel position matters.
convert -size 349x218 -seed 7 plasma:fractal -colors 200 "$out/pattern.gif"
# A Windows bitmap stored under the picture type, as the main window's mask is.
convert -size 40x30 xc:white -fill black -draw 'rectangle 5,5 20,20' -type TrueColor BMP3:"$out/mask.bmp"
