#!/usr/bin/env bash
# Runs the main job for a simulated host. Filled in as the program grows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
scripts/build-deps.sh x86_64
build=${NUDGE_BUILD_DIR:-$root/build/test}
cmake --preset test -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)"
. scripts/wine-session.sh
nudge_wine_start "$build"
/usr/lib/wine/wine64 "$build/app/Nudgebox.exe" /start
echo "Nudgebox exited with $?"
