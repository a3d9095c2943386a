#!/usr/bin/env bash
# The cross-compiling emulator: runs a Windows program under Wine with the project's settings.
# scripts/test.sh exports WINEPREFIX and DISPLAY; run by hand, the build folder's prefix is assumed.
export WINEDEBUG=${WINEDEBUG:--all}
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run.sh: WINEPREFIX is not set (run the tests through scripts/test.sh)" >&2
  exit 125
fi
exec /usr/lib/wine/wine64 "$@"
