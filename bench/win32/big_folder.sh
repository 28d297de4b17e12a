#!/usr/bin/env bash
# "Browse" on a big folder, under Wine: does the configuration window keep
# answering while the scan runs, the list fills and the list is saved?
# Makes C:\velant-big-N in the project's Wine prefix (N pictures, 1x1 .bmp and
# .jpg files hard-linked in 100 folders, made once and reused), builds
# bench/win32/big_folder/BigFolderProbe.cpp with the end-to-end tests' support
# code, and runs it: it sends the window WM_NULL every 50 ms from its own
# process and prints the longest wait per phase. Not part of ./test.sh; needs
# the windows build (VelantPro.exe).
#
# Usage: bench/win32/big_folder.sh [PICTURES [EXE]]   (defaults: 50000, the windows build's)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
pictures=${1:-50000}
exe=$(realpath "${2:-build/windows/VelantPro.exe}")
[ -f "$exe" ] || { echo "build the windows preset first" >&2; exit 1; }
out=build/big_folder
mkdir -p "$out"
x86_64-w64-mingw32-g++-posix -O2 -std=c++20 -static -Itests/e2e -Isrc/app/resources \
  -DVELANT_EXE_UNIX="\"$exe\"" -DVELANT_SCREENSHOTS_UNIX="\"$PWD/$out\"" -DVELANT_FIXTURE_SHELL_UNIX="\"\"" \
  -o "$out/BigFolderProbe.exe" bench/win32/big_folder/BigFolderProbe.cpp tests/e2e/E2eSupport.cpp \
  -lcomctl32 -lshell32 -lole32 -lgdi32

. scripts/wine-env.sh
velant_ensure_display && velant_ensure_wine

folder=velant-big-$pictures
tree="$WINEPREFIX/drive_c/$folder"
if [ "$(find "$tree" -type f 2>/dev/null | wc -l)" != "$pictures" ]; then
  rm -rf "$tree"
  mkdir -p "$tree"
  # A 1x1 bitmap (24 bits) and a 1x1 JPEG: every file a valid picture.
  printf 'BM:\0\0\0\0\0\0\0006\0\0\0(\0\0\0\1\0\0\0\1\0\0\0\1\0\30\0\0\0\0\0\4\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\200\200\200\0' \
    >"$out/one.bmp"
  printf 'P6 1 1 255\n\200\200\200' | cjpeg >"$out/one.jpg"
  python3 - "$tree" "$pictures" "$out/one.bmp" "$out/one.jpg" <<'PY'
import os, sys
tree, pictures, bmp, jpg = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
per = pictures // 100
for f in range(100):
    folder = os.path.join(tree, "album%02d" % f)
    os.makedirs(folder, exist_ok=True)
    for i in range(per if f < 99 else pictures - 99 * per):
        if i % 2:
            os.link(jpg, os.path.join(folder, "photo%d.jpg" % i))
        else:
            os.link(bmp, os.path.join(folder, "photo%d.BMP" % i))
PY
fi

wine "$out/BigFolderProbe.exe" "$folder" "$pictures" </dev/null 2>&1 | tr -d '\r' || true
velant_stop_wine
