#!/usr/bin/env bash
# Runs one Windows program in the private prefix (CTest's emulator and the Makefile's helper).
# WINEPREFIX from the environment wins; otherwise the tests' prefix of the default build tree.
here="$(cd "$(dirname "$0")" && pwd)"
: "${WINEPREFIX:=$here/../build/wineprefix}"
. "$here/wine-env.sh" "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$here/make-prefix.sh" "$WINEPREFIX" >&2 || exit 2
fi
exec wine "$@"
