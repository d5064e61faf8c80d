#!/usr/bin/env bash
# `make bench`: seeds the bench prefix once per seed and size, then runs the engine benchmark.
# Environment: BENCH_SEED (1), BENCH_SCALE (1.0), BENCH_RUNS (5), BENCH_REPAIRS (3), BENCH_IGNORE_LINES (100000),
# BENCH_VIEWS_ENTRIES (2000; the both-views bench in its own 64-bit prefix, left out with BENCH_SKIP_VIEWS),
# BENCH_SKIP_BACKUP (leaves out the backup bench).
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
seed="${BENCH_SEED:-1}"; scale="${BENCH_SCALE:-1.0}"; runs="${BENCH_RUNS:-5}"; repairs="${BENCH_REPAIRS:-3}"
prefix="$build/bench-prefix-$seed-$scale"
# The window program's bench needs a display: without one, a private Xvfb, started before Wine so
# that Wine's desktop belongs to it.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  display_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$display_file")"; rm -f "$display_file"
fi
. "$here/start-prefix.sh"
trap 'wineserver -k 2>/dev/null || true; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true' EXIT
if [ ! -f "$prefix/.bench-seeded" ]; then
  out="$prefix/bench-data"; mkdir -p "$out"; rm -f "$out/remove.lst"
  python3 "$here/../bench/generate.py" "$prefix" "$out" --seed "$seed" --scale "$scale"
  echo "importing the registry ..." >&2
  wine regedit /s "$(winepath -w "$out/bench.reg")" </dev/null >/dev/null 2>&1
  echo "writing shortcuts ..." >&2
  wine "$build/make-shortcut.exe" "@$(winepath -w "$out/shortcuts.lst")" </dev/null
  while read -r t; do
    rm -f "$prefix/drive_c/$(echo "${t:3}" | tr '\\' '/')"
  done < "$out/remove.lst"
  touch "$prefix/.bench-seeded"
fi
cat "$prefix/bench-data/expected.txt"
[ -n "${BENCH_SKIP_ENGINE:-}" ] || wine "$build/bench/engine_bench.exe" --runs "$runs" --seed "$seed" --repairs "$repairs"
# --- a repair's backup of 1,000 removed entries: the editor file against the binary format ---
[ -n "${BENCH_SKIP_BACKUP:-}" ] || wine "$build/bench/backup_bench.exe" --runs "$runs" --entries 1000
# --- the window program: start-up, a full scan from its scan button against the console, memory, handles ---
# Xvfb runs no window manager, and Wine waits 2 s for one whenever a window with a caption is hidden
# ("wait_for_withdrawn_state ... wait timed out"): every "Scan Complete" box would add those 2 s
# to the timed scan. Unmanaged windows, as Wine offers, take that wait out; a desktop's window
# manager answers at once.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 || true
mkdir -p "$prefix/drive_c/app-bench"
(cd "$prefix/drive_c/app-bench" && ZENTHAR_APP="$build/Zenthar.exe" ZENTHAR_CLI="$build/zenthar-cli.exe" \
  wine "$build/bench/app_bench.exe" --runs "$runs" --scans "${BENCH_APP_SCANS:-10}")
# --- the ignore list at scale: load, a full scan and the window with BENCH_IGNORE_LINES (100,000) lines ---
[ -n "${BENCH_SKIP_IGNORE:-}" ] || (cd "$prefix/drive_c" && ZENTHAR_APP="$build/Zenthar.exe" \
  wine "$build/bench/ignore_bench.exe" --runs "$runs" --lines "${BENCH_IGNORE_LINES:-100000}")
# --- both registry views: a 64-bit prefix of its own (made once), with its own wineserver ---
[ -n "${BENCH_SKIP_VIEWS:-}" ] || (
  export ZENTHAR_WINEARCH=win64
  "$here/make-prefix.sh" "$build/bench-prefix64" >&2
  . "$here/wine-env.sh" "$build/bench-prefix64"
  wine "$build/bench/views_bench.exe" --runs "$runs" --entries "${BENCH_VIEWS_ENTRIES:-2000}"
  wineserver -k 2>/dev/null || true)
