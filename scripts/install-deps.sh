#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need and the machine lacks.
set -euo pipefail

packages=(
  cmake g++ make ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev libjpeg62-turbo-dev libjpeg-turbo-progs
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 nasm
  wine wine64 fonts-wine xvfb xdotool x11-utils x11-apps imagemagick xauth
  nsis unzip
  dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Windows build takes libjpeg-turbo from Debian's source package.
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null \
   && ! grep -qs '^deb-src' /etc/apt/sources.list 2>/dev/null; then
  src=/etc/apt/sources.list.d/debian.sources
  if [ -f "$src" ]; then
    $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$src"
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $SUDO tee /etc/apt/sources.list.d/deb-src.list >/dev/null
  fi
  $SUDO apt-get update -qq
fi
