#!/usr/bin/env bash
# The run command: the window program in a private demo prefix seeded once with broken entries.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="$(cd "$1" && pwd)"; mkdir -p "$2"; prefix="$(cd "$2" && pwd)"
# Without a display the window program runs under a private Xvfb, started before Wine so that
# Wine's desktop belongs to it.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ] || [ -n "${ZENTHAR_DEMO_XVFB:-}" ]; then
  display_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$display_file")"; rm -f "$display_file"
  echo "No display: Zenthar.exe runs under Xvfb on $DISPLAY." >&2
fi
. "$here/start-prefix.sh"
trap 'wineserver -k 2>/dev/null || true; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true' EXIT
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
# The console program instead: ZENTHAR_DEMO_CLI=1 make run
if [ -n "${ZENTHAR_DEMO_CLI:-}" ]; then
  echo "zenthar-cli scan (demo prefix $WINEPREFIX; working files in the data folder %APPDATA%\\Zenthar):" >&2
  set +e
  wine "$build/zenthar-cli.exe" scan
  echo "exit status $? (0: nothing found, 1: findings, 2: error)" >&2
  exit 0
fi
# --- the window program: on the user's display, or under a private Xvfb with screenshots ---
if [ -z "$xvfb_pid" ]; then
  echo "Zenthar.exe on display $DISPLAY (demo prefix $WINEPREFIX; working files in the data folder %APPDATA%\\Zenthar)." >&2
  echo "Close it with its exit button or the tray menu's Close." >&2
  wine "$build/Zenthar.exe" </dev/null
  exit 0
fi
shots="${ZENTHAR_SCREENSHOTS:-$build/screenshots}"
mkdir -p "$shots"; shots="$(cd "$shots" && pwd)"
wine "$build/Zenthar.exe" </dev/null >/dev/null 2>&1 &
app_pid=$!
# The main window is the 751 x 514 window called Zenthar; a message box has the same title.
main_window() {
  for w in $(xdotool search --name '^Zenthar$' 2>/dev/null); do
    xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 751x514' && { echo "$w"; return 0; }
  done
  return 1
}
message_box() {
  for w in $(xdotool search --name '^Zenthar$' 2>/dev/null); do
    xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 751x514' || { echo "$w"; return 0; }
  done
  return 1
}
shoot() {  # window, file: the window's rectangle of the screen
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
  echo "Screenshot: $2" >&2
}
win=""
for _ in $(seq 600); do win="$(main_window)" && break; sleep 0.1; done
[ -n "$win" ] || { echo "the main window did not appear" >&2; kill "$app_pid" 2>/dev/null; exit 1; }
sleep 2  # the animation's first frames and the sub-screens
# Without a desktop's notification area, Wine shows the tray icon in a small window at the screen's
# top left corner: the main window moves clear of it.
xdotool windowmove "$win" 160 80 2>/dev/null || true
sleep 1
shoot "$win" "$shots/main-window.png"
eval "$(xdotool getwindowgeometry --shell "$win")"
# BUTTON_SCAN of the built-in skin: 107,258 117x38.
xdotool mousemove $((X + 165)) $((Y + 277)) click 1
box=""
for _ in $(seq 600); do box="$(message_box)" && break; sleep 0.1; done
if [ -n "$box" ]; then
  shoot "$box" "$shots/scan-complete.png"
  # Its OK button sits centred near the bottom edge; a click there answers it without a window manager.
  eval "$(xdotool getwindowgeometry --shell "$box")"
  # The first move only takes the hover away from the scan button under the pointer.
  for _ in 1 2 3 4 5; do
    sleep 1
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT + 40)) sleep 0.3 mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 13)) sleep 0.3 click 1
    sleep 0.5
    message_box >/dev/null || break
  done
  eval "$(xdotool getwindowgeometry --shell "$win")"
fi
sleep 1.5
shoot "$win" "$shots/result-list.png"
# The result page's list starts at 112,116: a click on the third row's problem shows it in full in
# the details line below the list, and a right click there opens the row's menu.
xdotool mousemove $((X + 220)) $((Y + 184)) click 1
sleep 1
shoot "$win" "$shots/result-details.png"
xdotool mousemove $((X + 220)) $((Y + 184)) click 3
sleep 1
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/result-menu.png"
echo "Screenshot: $shots/result-menu.png" >&2
xdotool key Escape
sleep 0.5
# BUTTON_EXIT: 704,18 32x28.
xdotool mousemove $((X + 720)) $((Y + 32)) click 1
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill "$app_pid" 2>/dev/null || true
echo "Screenshots after start-up, after the scan, of a selected entry and of its menu are in $shots" >&2
exit 0
