#!/usr/bin/env bash
# The setup program as a user meets it: silent install, upgrade and uninstall in a fresh private
# prefix, with the files, shortcuts and registry read back and Zenthar's own scan run on the result.
# Usage: installer_test.sh BUILD_DIR SETUP_EXE
set -u
build="$(cd "$1" && pwd)"; setup="$2"
here="$(cd "$(dirname "$0")" && pwd)"; tools="$here/../tools"
prefix="$build/installer-prefix"

if [ -d "$prefix" ]; then WINEPREFIX="$prefix" wineserver -k 2>/dev/null; rm -rf "$prefix"; fi
"$tools/make-prefix.sh" "$prefix" || exit 1
. "$tools/wine-env.sh" "$prefix"
unset DISPLAY
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
c="$prefix/drive_c"
cd "$c"
wine wineboot </dev/null >/dev/null 2>&1 || true

passed=0; failed=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what" >&2; fi
}
w() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
unix() { winepath -u "$1" 2>/dev/null; }
regvalue() {  # regvalue KEY NAME -> the data of a value, empty when missing
  w reg query "$1" /v "$2" | awk -v n="$2" '$1 == n { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print; exit }'
}
haskey() { wine reg query "$1" </dev/null >/dev/null 2>&1; }
hasvalue() { wine reg query "$1" /v "$2" </dev/null >/dev/null 2>&1; }
nokey() { ! haskey "$1"; }
novalue() { ! hasvalue "$1" "$2"; }

UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zenthar'
RUN='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
SETTINGS='HKLM\Software\Zenthar'
inst='C:\Program Files\Zenthar'
datadir="$(w cmd /c echo '%ProgramData%')\\Zenthar"
startmenu="$(unix "$(w cmd /c echo '%ProgramData%')\\Microsoft\\Windows\\Start Menu\\Programs\\Zenthar")"
desktop="$(unix "$(w cmd /c echo '%PUBLIC%')\\Desktop")/Zenthar.lnk"

# Zenthar's own scan, from a copy kept outside the install folder: nothing may name Zenthar.
mkdir -p "$c/zenthar-check"; cp "$build/zenthar-cli.exe" "$c/zenthar-check/"
scan_clean() {  # the scan ran (its category rows are there) and no finding names Zenthar
  local out
  out="$(cd "$c/zenthar-check" && wine 'C:\zenthar-check\zenthar-cli.exe' scan </dev/null 2>/dev/null | tr -d '\r')"
  grep -q '^ROW' <<<"$out" || { echo "  the scan printed no rows" >&2; return 1; }
  ! grep '^FINDING' <<<"$out" | grep -i 'zenthar' >&2
}

shortcut_ok() {  # the link resolves to an existing program and starts it in the data folder
  local out target folder
  out="$(w "$build/make-shortcut.exe" --read "$(winepath -w "$1" 2>/dev/null)")" || return 1
  target="${out%%$'\t'*}"; folder="${out#*$'\t'}"
  [ -f "$(unix "$target")" ] && [ "$folder" = "$datadir" ] && [ -d "$(unix "$folder")" ] ||
    { echo "  $1 -> '$target' in '$folder'" >&2; return 1; }
}

# The setup program reads itself through its own path, which must be on a drive: run it from C:, as a
# user would after downloading it.
cp "$setup" "$c/Zenthar-Setup.exe"
setup='C:\Zenthar-Setup.exe'

# 1. A silent install.
check "silent install exits 0" wine "$setup" /S
for f in Zenthar.exe zenthar-cli.exe ZentharHelp.html uninstall.exe; do
  check "installed $f" test -f "$(unix "$inst\\$f")"
done
check "Start menu shortcut to the program" shortcut_ok "$startmenu/Zenthar.lnk"
check "Start menu shortcut to the uninstaller" shortcut_ok "$startmenu/Uninstall Zenthar.lnk"
check "Start menu shortcut to the help page" shortcut_ok "$startmenu/Zenthar Help.lnk"
check "no desktop shortcut unless asked" test ! -e "$desktop"
for v in DisplayName DisplayVersion Publisher DisplayIcon InstallLocation UninstallString \
         QuietUninstallString EstimatedSize NoModify NoRepair; do
  check "uninstall entry has $v" hasvalue "$UNINST" "$v"
done
check "UninstallString is the quoted uninstaller" \
  test "$(regvalue "$UNINST" UninstallString)" = "\"$inst\\uninstall.exe\""
check "the uninstaller it names exists" test -f "$(unix "$inst\\uninstall.exe")"
check "DisplayVersion is the project's version" \
  test "$(regvalue "$UNINST" DisplayVersion)" = "$(w "$build/zenthar-cli.exe" --version | awk '{print $2}')"
check "no start-with-Windows value unless asked" novalue "$RUN" Zenthar
check "scan after install names nothing of Zenthar" scan_clean

# 2. An upgrade over it, with both options: the user's data and settings stay.
echo keep > "$(unix "$datadir")/ignore.lst"
wine reg add "$SETTINGS" /v savereg /d 1 /f </dev/null >/dev/null 2>&1
check "silent upgrade exits 0" wine "$setup" /S /DESKTOP=1 /STARTUP=1
check "the data folder survives the upgrade" test "$(cat "$(unix "$datadir")/ignore.lst")" = keep
check "the settings survive the upgrade" test "$(regvalue "$SETTINGS" savereg)" = 1
check "desktop shortcut when asked" shortcut_ok "$desktop"
check "start-with-Windows written as the program writes it" \
  test "$(regvalue "$RUN" Zenthar)" = "\"$inst\\Zenthar.exe\" /tray"
check "scan with the startup option names nothing of Zenthar" scan_clean
check "a silent upgrade keeps the startup option" wine "$setup" /S
check "  ... still there" hasvalue "$RUN" Zenthar

# 3. A silent uninstall: it runs a copy of itself and returns at once, so wait for it to finish.
wine "$(unix "$inst\\uninstall.exe")" /S </dev/null >/dev/null 2>&1
for _ in $(seq 1 60); do
  [ -e "$(unix "$inst")" ] || haskey "$UNINST" || break
  sleep 1
done
check "program folder removed" test ! -e "$(unix "$inst")"
check "Start menu folder removed" test ! -e "$startmenu"
check "desktop shortcut removed" test ! -e "$desktop"
check "uninstall entry removed" nokey "$UNINST"
check "settings removed" nokey "$SETTINGS"
check "start-with-Windows value removed" novalue "$RUN" Zenthar
check "the data folder is kept in silent mode" test -f "$(unix "$datadir")/ignore.lst"
check "scan after uninstall names nothing of Zenthar" scan_clean

echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
