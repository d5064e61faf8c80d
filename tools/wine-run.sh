#!/usr/bin/env bash
# Runs one Windows program in the private prefix (CTest's emulator and the Makefile's helper).
# WINEPREFIX from the environment wins; otherwise the tests' prefix of the default build tree.
# Under run-tests.sh every program runs in a prefix and display of its own, named after its test
# entry (ZENTHAR_TEST_NAME) or, for an entry that sets none, after this process.
here="$(cd "$(dirname "$0")" && pwd)"
if [ -n "${ZENTHAR_TEST_TEMPLATE:-}" ]; then
  export ZENTHAR_TEST_NAME="${ZENTHAR_TEST_NAME:-unnamed-$$}"
  exec "$here/run-isolated.sh" "$@"
fi
: "${WINEPREFIX:=$here/../build/wineprefix}"
. "$here/wine-env.sh" "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$here/make-prefix.sh" "$WINEPREFIX" >&2 || exit 2
fi
exec wine "$@"
