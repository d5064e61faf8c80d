#!/usr/bin/env bash
# `make bench`: seeds the bench prefix once per seed and size, then runs the engine benchmark.
# Environment: BENCH_SEED (1), BENCH_SCALE (1.0), BENCH_RUNS (5), BENCH_REPAIRS (3).
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
seed="${BENCH_SEED:-1}"; scale="${BENCH_SCALE:-1.0}"; runs="${BENCH_RUNS:-5}"; repairs="${BENCH_REPAIRS:-3}"
prefix="$build/bench-prefix-$seed-$scale"
. "$here/start-prefix.sh"
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
wine "$build/bench/engine_bench.exe" --runs "$runs" --seed "$seed" --repairs "$repairs"
