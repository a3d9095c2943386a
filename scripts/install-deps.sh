#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need. Idempotent: skips what is there.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686-posix mingw-w64-i686-dev g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libz-mingw-w64-dev
          libstb-dev googletest wine wine64 xvfb x11-utils xdotool imagemagick zip unzip python3
          dpkg-dev fonts-noto-cjk)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
