#!/usr/bin/env bash
# Runs one test entry in a Wine prefix, wineserver and X display of its own, so that CTest can run
# entries side by side. Called by wine-run.sh when run-tests.sh has made the template prefix.
# Environment: ZENTHAR_TEST_NAME (the entry), ZENTHAR_TEST_TEMPLATE (the prefix made once, with the
# removable R: drive), ZENTHAR_TEST_ROOT (where the entries' prefixes go); optional: ZENTHAR_TEST_SCREEN
# (the display's WIDTHxHEIGHTxDEPTH, 1024x768x24 by default) and ZENTHAR_TEST_DPI (the display's dots
# per inch, written to the entry's prefix before its program starts, as a user's setting would be). An entry whose
# environment names a WINEPREFIX of its own (the 64-bit one) runs there instead, made on first use.
# Usage: run-isolated.sh PROGRAM ARGS...
set -u
here="$(cd "$(dirname "$0")" && pwd)"
name="$ZENTHAR_TEST_NAME"
template="$ZENTHAR_TEST_TEMPLATE"

copied=""
if [ "${WINEPREFIX:-$template}" = "$template" ]; then
  prefix="$ZENTHAR_TEST_ROOT/$name"
  if [ -d "$prefix" ]; then
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    rm -rf "$prefix"
  fi
  mkdir -p "$ZENTHAR_TEST_ROOT"
  # The system folder's libraries, programs and code pages (nine tenths of a prefix) are only read
  # by Wine: they are hard links to the template's. Everything else is a copy of its own.
  cp -al "$template" "$prefix" || exit 2
  touch "$prefix/.zenthar-copied"
  find "$prefix" -type f -links +1 \
    ! \( -path "$prefix/drive_c/windows/system32/*" \
         \( -name '*.dll' -o -name '*.exe' -o -name '*.drv' -o -name '*.nls' -o -name '*.sys' \) \) \
    -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} + || exit 2
  copied=1
else
  prefix="$WINEPREFIX"
  [ -f "$prefix/system.reg" ] || "$here/make-prefix.sh" "$prefix" >&2 || exit 2
  "$here/test-display-settings.sh" "$prefix" >&2 || exit 2
fi
. "$here/wine-env.sh" "$prefix"

# A private X display; -displayfd picks a free number, so entries never share one.
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 "${ZENTHAR_TEST_SCREEN:-1024x768x24}" -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$display_file" ] && break; sleep 0.05; done
if [ ! -s "$display_file" ]; then
  echo "run-isolated: Xvfb did not start for $name" >&2
  kill "$xvfb_pid" 2>/dev/null; rm -f "$display_file"; exit 2
fi
export DISPLAY=":$(head -n1 "$display_file")"
rm -f "$display_file"
stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
}
trap 'stop; exit 143' TERM INT

# One wineserver for the whole entry. Wine's services start now, detached from CTest's pipes, so
# that their output stays out of the entry's; all of them end with the server after the entry.
wineserver -p 2>/dev/null || true
(cd "$WINEPREFIX/drive_c" && wine wineboot </dev/null >/dev/null 2>&1) || true
if [ -n "${ZENTHAR_TEST_DPI:-}" ]; then
  (cd "$WINEPREFIX/drive_c" && wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
     /d "$ZENTHAR_TEST_DPI" /f </dev/null >/dev/null 2>&1) || exit 2
fi

wine "$@"
status=$?
stop

if [ -n "$copied" ]; then
  # A file written in place through a hard link would have changed the template for every entry.
  changed="$(find "$template/drive_c/windows/system32" -type f -newer "$prefix/.zenthar-copied" | head -n 5)"
  if [ -n "$changed" ]; then
    echo "run-isolated: $name wrote to shared files of the template prefix; remove $template:" >&2
    echo "$changed" >&2
    status=3
  fi
  # A failed entry leaves its prefix for a look; a passed one is removed.
  [ "$status" -eq 0 ] && rm -rf "$prefix"
fi
exit "$status"
