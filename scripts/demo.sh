#!/usr/bin/env bash
# Runs the main job against a simulated host: tools/hostsim plays Zorvex (a visible main window and its
# user-info section), the diagnostic log is switched on, and Nudgebox.exe /start runs once.
# Usage: scripts/demo.sh [benefit|renewal|upgrade]   (the host state to simulate; default benefit)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
variant=${1:-benefit}
case "$variant" in
  benefit) host_state=(--logged-in 0) ;;
  renewal) host_state=(--logged-in 1 --active 0 --expiry now-3d --sign "demo-sign") ;;
  upgrade) host_state=(--logged-in 1 --active 0 --expiry now-30d --sign "demo-sign") ;;
  *) echo "usage: $0 [benefit|renewal|upgrade]" >&2; exit 2 ;;
esac

scripts/install-deps.sh
scripts/build-deps.sh x86_64
build=${NUDGE_BUILD_DIR:-$root/build/test}
cmake --preset test -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target Nudgebox hostsim
# shellcheck source=wine-session.sh
. scripts/wine-session.sh
nudge_wine_start "$build"
wine=/usr/lib/wine/wine64

work=$(mktemp -d)
trap 'touch "$work/quit"; wait ${host_pid:-} 2>/dev/null || true; rm -rf "$work"; nudge_wine_stop' EXIT
winpath() { echo "Z:${1//\//\\}"; }

# The log is on only while the marker exists; start from an empty log so the output is this run's.
logdir="$WINEPREFIX/drive_c/log"
mkdir -p "$logdir"
: >"$logdir/ldrx.log"
rm -f "$logdir/Nudgebox.exe.txt"

echo "== host stand-in ($variant): ${host_state[*]}"
"$wine" "$build/tools/hostsim/hostsim.exe" "${host_state[@]}" --window visible,caption,title=Zorvex \
  --ready-file "$(winpath "$work/ready")" --quit-file "$(winpath "$work/quit")" \
  --record "$(winpath "$work/messages")" --timeout 300 >/dev/null &
host_pid=$!
for _ in $(seq 1 200); do [ -f "$work/ready" ] && break; sleep 0.05; done
[ -f "$work/ready" ] || { echo "hostsim did not come up" >&2; exit 1; }
sed 's/^/   /' "$work/ready"

echo "== Nudgebox.exe /start"
set +e
"$wine" "$build/app/Nudgebox.exe" /start
code=$?
set -e
echo "   exit code $code"

echo "== diagnostic log C:\\log\\Nudgebox.exe.txt"
if [ -f "$logdir/Nudgebox.exe.txt" ]; then
  iconv -f UTF-16 -t UTF-8 "$logdir/Nudgebox.exe.txt" | tr -d '\r' | sed 's/^/   /'
else
  echo "   (no lines written)"
fi
echo "== messages 0x0489 received by the host"
if [ -s "$work/messages" ]; then sed 's/^/   /' "$work/messages"; else echo "   (none)"; fi
