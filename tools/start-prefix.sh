# Sourced by the run and bench scripts: makes the prefix $prefix if needed, keeps one wineserver
# alive until the script ends, starts Wine's services detached from our output, and enters C:.
"$here/make-prefix.sh" "$prefix"
. "$here/wine-env.sh" "$prefix"
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
cd "$prefix/drive_c"
wine wineboot </dev/null >/dev/null 2>&1 || true
