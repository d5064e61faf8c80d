#!/usr/bin/env bash
# The layers point one way: each folder may include only itself and the folders named beside it.
# Reads every include line of the sources; prints each one that reaches a higher layer and fails.
set -u
top="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
allowed=(
  "platform:"
  "xml:"
  "registry:xml platform"
  "engine:registry xml platform"
  "backup:registry xml platform"
  "settings:registry xml platform"
  "routines:engine backup registry xml platform"
  "framework:resources"
  "skin:framework resources"
  "cli:routines engine backup registry xml platform"
  "app:skin framework settings routines engine backup registry xml platform resources"
)
known=" platform xml registry engine backup settings routines framework skin app cli resources "
bad=0; checked=0
for row in "${allowed[@]}"; do
  dir=${row%%:*}; ok=" $dir ${row#*:} "
  [ -d "$top/$dir" ] || { echo "missing folder: $dir"; bad=$((bad + 1)); continue; }
  while IFS= read -r hit; do
    target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"${hit#*:*:}")
    checked=$((checked + 1))
    case "$known" in *" $target "*) ;; *) continue ;; esac
    case "$ok" in *" $target "*) ;; *) echo "layer: ${hit#$top/}"; bad=$((bad + 1)) ;; esac
  done < <(grep -rnE '^\s*#\s*include "[a-z]+/' "$top/$dir" --include='*.h' --include='*.cpp' --include='*.rc')
done
echo "$checked include lines checked"
[ "$checked" -gt 0 ] || { echo "no include lines found under $top"; exit 1; }
[ "$bad" -eq 0 ]
