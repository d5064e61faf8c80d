#!/usr/bin/env bash
# Runs every test program under Wine with one wineserver kept alive for the whole run.
set -u
build="$1"; prefix="$2"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$prefix"
# Drive R: is a removable disk (a folder of the prefix) so that tests can show that paths on
# media that are not fixed disks are never reported as missing. Wine's mount manager reads the
# drive types when it starts, so the setting is made once and Wine restarted before the tests.
if [ ! -f "$WINEPREFIX/.zenthar-removable-r" ]; then
  mkdir -p "$WINEPREFIX/drive_c/zenthar-removable"
  ln -sfn ../drive_c/zenthar-removable "$WINEPREFIX/dosdevices/r:"
  (cd "$WINEPREFIX/drive_c" && wine reg add 'HKLM\Software\Wine\Drives' /v r: /d floppy /f </dev/null >/dev/null 2>&1)
  wineserver -k 2>/dev/null || true
  wineserver -w
  touch "$WINEPREFIX/.zenthar-removable-r"
fi
# Window tests need an X display. Without one (CI), start a private Xvfb on a free display number
# (-displayfd picks it, so parallel runs never collide) for the whole run; it stops with the run.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  display_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null; true' EXIT
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
fi
wineserver -p 2>/dev/null || true
# Start Wine's own services now, detached from our output: started by the first test they would
# inherit CTest's pipes and keep it waiting after the tests end.
(cd "$WINEPREFIX/drive_c" && wine wineboot </dev/null >/dev/null 2>&1) || true
trap 'wineserver -k 2>/dev/null || true; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true' EXIT
# Without arguments every test but the stress runs (label "stress").
ctest --test-dir "$build" --output-on-failure ${CTEST_ARGS:--LE stress}
