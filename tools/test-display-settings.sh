#!/usr/bin/env bash
# Settings of a test prefix for displays without a window manager (Xvfb). The test programs that
# make the program's windows in their own process run unmanaged: Wine then does not wait two
# seconds, for a window manager that never answers, at every window they hide or destroy.
# Zenthar.exe and the shell's tray stay managed, as on a desktop (unmanaged, a window brought back
# from the tray does not take the keyboard).
# Made once per prefix; no wineserver of the prefix may be running.
# Usage: test-display-settings.sh PREFIX
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$1"
marker="$WINEPREFIX/.zenthar-unmanaged-tests"
[ -f "$marker" ] && exit 0
reg="$WINEPREFIX/drive_c/zenthar-unmanaged.reg"
{
  printf 'REGEDIT4\r\n'
  for exe in framework_test schedule_dialog_test settings_controls_test skin_test subscreens_test \
             summary_test windows_test; do
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s.exe\\X11 Driver]\r\n"Managed"="N"\r\n' "$exe"
  done
} >"$reg"
(cd "$WINEPREFIX/drive_c" && DISPLAY= wine regedit /s 'C:\zenthar-unmanaged.reg' </dev/null >/dev/null 2>&1)
status=$?
rm -f "$reg"
wineserver -w
[ "$status" = 0 ] && grep -q 'subscreens_test.exe' "$WINEPREFIX/user.reg" && touch "$marker"
