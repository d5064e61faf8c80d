# Sourced by the scripts: the environment of a private, 32-bit Wine prefix.
# Usage: . tools/wine-env.sh PREFIX_DIR
export WINEPREFIX="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
export WINEARCH="${ZENTHAR_WINEARCH:-win32}"  # win64 only for the tests run under WOW64
export WINEDEBUG=-all
# winemenubuilder would read every saved shortcut in the background (holding it open while a test moves
# it) and make menu entries on the host: no program of ours needs it.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY_UNUSED
