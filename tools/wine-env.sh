# Sourced by the scripts: the environment of a private, 32-bit Wine prefix.
# Usage: . tools/wine-env.sh PREFIX_DIR
export WINEPREFIX="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
export WINEARCH="${ZENTHAR_WINEARCH:-win32}"  # win64 only for the tests run under WOW64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY_UNUSED
