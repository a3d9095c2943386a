#!/usr/bin/env bash
# Builds libcurl (HTTP only, no TLS) and jsoncpp for the target from Debian's source packages,
# static, into a prefix that is reused when present (outside the checkout, so clean clones share it).
# Usage: scripts/build-deps.sh [i686|x86_64]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
triple=$arch-w64-mingw32
cache=${NUDGE_DEPS_CACHE:-$HOME/.cache/nudgebox/deps}
prefix=$cache/$triple
src=$cache/src

if [ -f "$prefix/lib/libcurl.a" ] && [ -f "$prefix/lib/libjsoncpp.a" ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  cat <<'SRC' | $SUDO tee /etc/apt/sources.list.d/nudgebox-src.sources >/dev/null
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  $SUDO apt-get update -qq
fi

mkdir -p "$src" "$prefix"
cd "$src"
shopt -s nullglob
first() { [ $# -gt 0 ] && echo "$1" || true; }
[ -n "$(first curl-*/)" ] || apt-get source -qq curl >/dev/null 2>&1
[ -n "$(first libjsoncpp-*/)" ] || apt-get source -qq libjsoncpp >/dev/null 2>&1
curl_dir=$src/$(first curl-*/)
json_dir=$src/$(first libjsoncpp-*/)
tc=$root/cmake/toolchain-mingw$([ "$arch" = i686 ] && echo 32 || echo 64).cmake
jobs=$(nproc)

if [ ! -f "$prefix/lib/libcurl.a" ]; then
  rm -rf "$src/build-curl-$arch"
  cmake -S "$curl_dir" -B "$src/build-curl-$arch" -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
    -DCURL_USE_OPENSSL=OFF -DCURL_USE_SCHANNEL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF \
    -DENABLE_MANUAL=OFF -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DHTTP_ONLY=ON -DENABLE_UNICODE=OFF \
    -DCURL_STATIC_CRT=OFF >/dev/null
  cmake --build "$src/build-curl-$arch" -j"$jobs" >"$src/build-curl-$arch.log" 2>&1 || { tail -30 "$src/build-curl-$arch.log"; exit 1; }
  cmake --install "$src/build-curl-$arch" >/dev/null
  # The CMake build names the archive libcurl.a or libcurl-d.a depending on the version.
  [ -f "$prefix/lib/libcurl.a" ] || cp "$(ls "$prefix"/lib/libcurl*.a | head -1)" "$prefix/lib/libcurl.a"
fi

if [ ! -f "$prefix/lib/libjsoncpp.a" ]; then
  rm -rf "$src/build-json-$arch"
  cmake -S "$json_dir" -B "$src/build-json-$arch" -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
    -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF \
    -DJSONCPP_WITH_CMAKE_PACKAGE=OFF >/dev/null
  cmake --build "$src/build-json-$arch" -j"$jobs" >"$src/build-json-$arch.log" 2>&1 || { tail -30 "$src/build-json-$arch.log"; exit 1; }
  cmake --install "$src/build-json-$arch" >/dev/null
fi
echo "dependencies ready in $prefix"
