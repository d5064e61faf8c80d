#!/usr/bin/env bash
# Settings of a test prefix for displays without a window manager (Xvfb): Wine manages no window,
# so hiding or destroying one (and removing a tray icon) does not wait two seconds for a window
# manager that never answers. Made once per prefix; its wineserver must be able to stop after.
# Usage: test-display-settings.sh PREFIX
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$1"
[ -f "$WINEPREFIX/.zenthar-unmanaged" ] && exit 0
(cd "$WINEPREFIX/drive_c" && DISPLAY= wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
  </dev/null >/dev/null 2>&1) || exit 1
wineserver -w
touch "$WINEPREFIX/.zenthar-unmanaged"
