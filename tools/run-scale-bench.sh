#!/usr/bin/env bash
# The window program's start-up at 2x against 1x: rounds of app_bench --start-only, the display at
# 96 and then 192 dots per inch in each (a prefix of its own, a private Xvfb big enough for 2x).
# Usage: tools/run-scale-bench.sh BUILD_DIR [ROUNDS]   (each round: 5 starts at each scale)
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
rounds="${2:-5}"
prefix="$build/scale-bench-prefix"
"$here/make-prefix.sh" "$prefix" >&2
. "$here/wine-env.sh" "$prefix"
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$display_file")"; rm -f "$display_file"
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null; true' EXIT
wineserver -p
# No window manager under Xvfb: unmanaged windows, as in run-bench.sh.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
mkdir -p "$prefix/drive_c/app-bench"
for _ in $(seq "$rounds"); do
  for dpi in 96 192; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
    (cd "$prefix/drive_c/app-bench" && ZENTHAR_APP="$build/Zenthar.exe" \
      wine "$build/bench/app_bench.exe" --start-only --runs 5 | grep start-up | sed "s/^/$dpi dpi: /")
  done
done
