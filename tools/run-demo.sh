#!/usr/bin/env bash
# The run command: the console scan in a private demo prefix seeded once with broken entries.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="$(cd "$1" && pwd)"; mkdir -p "$2"; prefix="$(cd "$2" && pwd)"
. "$here/start-prefix.sh"
if [ ! -f "$prefix/.zenthar-demo-seeded" ]; then
  echo "Seeding the demo prefix with broken entries ..." >&2
  wine regedit /s "$(winepath -w "$here/demo-seed.reg" 2>/dev/null || echo "$here/demo-seed.reg")" </dev/null >/dev/null 2>&1
  c="$prefix/drive_c"
  mkdir -p "$c/Zenthar Demo/Start Menu/Games" "$c/Zenthar Demo/Desktop" "$c/Zenthar Demo/Intact Tools"
  echo demo > "$c/Zenthar Demo/Intact Tools/notes.txt"
  mkdir -p "$c/Zenthar Demo/Removed Game"
  touch "$c/Zenthar Demo/Removed Game/removedgame.exe" "$c/Zenthar Demo/Removed Game/editor.exe"
  wine "$build/make-shortcut.exe" \
    'C:\Zenthar Demo\Start Menu\Games\Removed Game.lnk' 'C:\Zenthar Demo\Removed Game\removedgame.exe' \
    'C:\Zenthar Demo\Desktop\Old Editor.lnk' 'C:\Zenthar Demo\Removed Game\editor.exe' \
    'C:\Zenthar Demo\Desktop\Notes.lnk' 'C:\Zenthar Demo\Intact Tools\notes.txt' </dev/null
  rm -rf "$c/Zenthar Demo/Removed Game"
  touch "$prefix/.zenthar-demo-seeded"
fi
mkdir -p "$prefix/drive_c/Zenthar"
cd "$prefix/drive_c/Zenthar"
echo "zenthar-cli scan (demo prefix $WINEPREFIX; working files in C:\\Zenthar):" >&2
set +e
wine "$build/zenthar-cli.exe" scan
status=$?
echo "exit status $status (0: nothing found, 1: findings, 2: error)" >&2
exit 0
