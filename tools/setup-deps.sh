#!/usr/bin/env bash
# Installs what the build, the tests and the demo need from Debian's packages (once; quick afterwards).
set -eu
need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in g++-mingw-w64-i686 cmake make googletest python3 nsis wine wine32:i386 wine64 xvfb xauth xdotool \
         imagemagick x11-apps fonts-dejavu-core; do
  have_pkg "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0
cmd="dpkg --add-architecture i386 && apt-get update && apt-get install -y ${need[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Zenthar needs these Debian packages: ${need[*]}" >&2
  echo "Run as root:  $cmd" >&2
  exit 1
fi
echo "Installing: ${need[*]}" >&2
dpkg --add-architecture i386
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
