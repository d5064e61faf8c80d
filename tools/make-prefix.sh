#!/usr/bin/env bash
# Creates a private 32-bit Wine prefix once; removes the z: drive so that scans stay on C:.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$1"
. "$here/wine-env.sh" "$1"
if [ -f "$WINEPREFIX/system.reg" ] && [ ! -e "$WINEPREFIX/dosdevices/z:" ]; then
  exit 0
fi
echo "Creating Wine prefix $WINEPREFIX ..." >&2
DISPLAY= wineboot -i >/dev/null 2>&1 || true
wineserver -w
rm -f "$WINEPREFIX/dosdevices/z:"
[ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot did not create $WINEPREFIX" >&2; exit 1; }
