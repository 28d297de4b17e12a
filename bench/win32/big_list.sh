#!/usr/bin/env bash
# The program with a big stored wallpaper list, under Wine: start-up to the
# icon with the list and with an empty one, showing the configuration window
# and its "Close" with the list unchanged. Builds
# bench/win32/big_list/BigListProbe.cpp with the end-to-end tests' support
# code and runs it in the project's Wine prefix; it stores the list in fresh
# settings and removes the settings at the end. Not part of ./test.sh; needs
# the windows build (VelantPro.exe).
#
# Usage: bench/win32/big_list.sh [PICTURES [ROUNDS [EXE]]]   (defaults: 50000, 5, the windows build's)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
pictures=${1:-50000}
rounds=${2:-5}
exe=$(realpath "${3:-build/windows/VelantPro.exe}")
[ -f "$exe" ] || { echo "build the windows preset first" >&2; exit 1; }
out=build/big_list
mkdir -p "$out"
x86_64-w64-mingw32-g++-posix -O2 -std=c++20 -static -Itests/e2e -Isrc/app/resources \
  -DVELANT_EXE_UNIX="\"$exe\"" -DVELANT_SCREENSHOTS_UNIX="\"$PWD/$out\"" -DVELANT_FIXTURE_SHELL_UNIX="\"\"" \
  -o "$out/BigListProbe.exe" bench/win32/big_list/BigListProbe.cpp tests/e2e/E2eSupport.cpp \
  -lcomctl32 -lshell32 -lole32 -lgdi32

. scripts/wine-env.sh
velant_ensure_display && velant_ensure_wine
# Through a file: a started program inherits the probe's output.
wine "$out/BigListProbe.exe" "$pictures" "$rounds" </dev/null >"$out/probe.out" 2>&1 || true
tr -d '\r' <"$out/probe.out"
velant_stop_wine
