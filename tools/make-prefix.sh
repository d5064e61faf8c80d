#!/usr/bin/env bash
# Creates a private 32-bit Wine prefix once. Removes the z: drive and turns the user folders that
# Wine links to the host's home directory into plain folders, so that scans stay inside the prefix.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$1"
. "$here/wine-env.sh" "$1"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating Wine prefix $WINEPREFIX ..." >&2
  DISPLAY= wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot did not create $WINEPREFIX" >&2; exit 1; }
fi
rm -f "$WINEPREFIX/dosdevices/z:"
find "$WINEPREFIX/drive_c/users" -type l 2>/dev/null | while read -r link; do
  rm -f "$link" && mkdir -p "$link"
done
exit 0
