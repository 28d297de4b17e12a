#!/usr/bin/env bash
# Cross-builds libjpeg-turbo for 64-bit Windows from Debian's source package and
# installs it, static only and with SIMD, into build/deps/libjpeg-turbo-mingw
# (include/ and lib/libjpeg.a). Does nothing when that is already there.
#
# Usage: scripts/build-libjpeg-mingw.sh        (needs deb-src, see install-deps.sh)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$root/build/deps"
prefix="$deps/libjpeg-turbo-mingw"
toolchain="$root/cmake/toolchains/mingw-w64-x86_64.cmake"

if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ]; then
  echo "libjpeg-turbo for MinGW already in $prefix"
  exit 0
fi

mkdir -p "$deps"
cd "$deps"

src=$(find . -maxdepth 1 -type d -name 'libjpeg-turbo-[0-9]*' | sort | tail -n 1)
if [ -z "$src" ]; then
  # Fetch into a scratch folder so that a half-finished download is never mistaken for a source tree.
  rm -rf fetch && mkdir fetch
  (cd fetch && apt-get source -qq libjpeg-turbo >../apt-source.log 2>&1) || { cat apt-source.log >&2; exit 1; }
  src=$(find fetch -maxdepth 1 -type d -name 'libjpeg-turbo-[0-9]*' | sort | tail -n 1)
  [ -n "$src" ] || { echo "apt-get source libjpeg-turbo produced no source tree" >&2; exit 1; }
  mv "$src" .
  src="./$(basename "$src")"
  rm -rf fetch
fi
echo "Building $(basename "$src") for MinGW-w64 in $deps"

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
rm -rf libjpeg-turbo-build
cmake -S "$src" -B libjpeg-turbo-build "${generator[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
  -DWITH_TURBOJPEG=OFF \
  >libjpeg-turbo-configure.log 2>&1 || { cat libjpeg-turbo-configure.log >&2; exit 1; }
cmake --build libjpeg-turbo-build -j"$(nproc)" >libjpeg-turbo-build.log 2>&1 \
  || { tail -n 50 libjpeg-turbo-build.log >&2; exit 1; }
cmake --install libjpeg-turbo-build >>libjpeg-turbo-build.log 2>&1 \
  || { tail -n 50 libjpeg-turbo-build.log >&2; exit 1; }

[ -f "$prefix/lib/libjpeg.a" ] || { echo "libjpeg.a was not installed in $prefix/lib" >&2; exit 1; }
echo "libjpeg-turbo for MinGW installed in $prefix"
