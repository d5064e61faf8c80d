#!/usr/bin/env bash
# Runs the test entries side by side (TEST_JOBS at once), each in a copy of one prefix made here
# once, with a wineserver and an X display of its own (tools/run-isolated.sh).
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
  (cd "$WINEPREFIX/drive_c" && DISPLAY= wine reg add 'HKLM\Software\Wine\Drives' /v r: /d floppy /f </dev/null >/dev/null 2>&1)
  wineserver -k 2>/dev/null || true
  wineserver -w
  touch "$WINEPREFIX/.zenthar-removable-r"
fi
"$here/test-display-settings.sh" "$WINEPREFIX" || echo "run-tests: Wine's window settings were not made" >&2
# Bring the template up to date for this Wine (a newer Wine rewrites the prefix's system files on
# its first start, which must not happen in the copies: they share those files), then stop its
# server so that the copies are taken from a registry written out in full.
(cd "$WINEPREFIX/drive_c" && DISPLAY= wine wineboot </dev/null >/dev/null 2>&1) || true
wineserver -k 2>/dev/null || true
wineserver -w

export ZENTHAR_TEST_TEMPLATE="$WINEPREFIX"
export ZENTHAR_TEST_ROOT="$(cd "$build" && pwd)/test-prefixes"
# The entries' prefixes: those an earlier run kept (failed entries) go now; any whose wineserver
# outlived its entry (an entry ended by CTest's time limit) is stopped when this run ends.
stop_entry_servers() {
  for p in "$ZENTHAR_TEST_ROOT"/*/; do
    [ -f "$p/system.reg" ] && WINEPREFIX="${p%/}" wineserver -k 2>/dev/null
  done
  true
}
stop_entry_servers
rm -rf "$ZENTHAR_TEST_ROOT"
trap stop_entry_servers EXIT
cores="$(nproc 2>/dev/null || echo 2)"
# The entries mostly wait for windows and Wine's start-up, so twice as many as cores run at once.
jobs="${TEST_JOBS:-$((cores * 2))}"
# Without arguments every test but the stress runs (label "stress").
ctest --test-dir "$build" --output-on-failure -j "$jobs" ${CTEST_ARGS:--LE stress}
