#!/usr/bin/env bash
# Installs what is missing, builds the 32-bit product and the 64-bit test build (the one this machine's
# Wine can run) with loopback endpoints, and runs the tests under Wine with Xvfb.
# Usage: scripts/test.sh [ctest arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
scripts/build-deps.sh i686
scripts/build-deps.sh x86_64
jobs=$(nproc)
product=${NUDGE_PRODUCT_BUILD_DIR:-$root/build/release}
build=${NUDGE_BUILD_DIR:-$root/build/test}
# The shipped 32-bit program must keep building warning-free.
cmake --preset release -B "$product" -DNUDGE_WERROR=ON >/dev/null
cmake --build "$product" -j"$jobs"
tests/hardening/check-pe.sh i686-w64-mingw32-objdump "$product/app/Nudgebox.exe"
cmake --preset test -B "$build" >/dev/null
cmake --build "$build" -j"$jobs"
# shellcheck source=wine-session.sh
. scripts/wine-session.sh
nudge_wine_start "$build"
cd "$build"
ctest --output-on-failure -j"$jobs" "$@"
