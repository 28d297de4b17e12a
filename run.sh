#!/usr/bin/env bash
# Builds VelantPro.exe (windows preset) and starts it under Wine in the virtual desktop.
#   - with a working $DISPLAY: on that display, until the program ends;
#   - otherwise on an Xvfb: after about 8 s it saves build/screenshots/run.png, prints its
#     path and stops the program and the Xvfb.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

scripts/install-deps.sh
scripts/build-libjpeg-mingw.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target VelantPro

. scripts/wine-env.sh
exe="$VELANT_ROOT/build/windows/VelantPro.exe"

if _velant_display_works "${DISPLAY:-}"; then
  velant_ensure_wine
  echo "VelantPro.exe runs on $DISPLAY; it lives in the notification area of the Wine desktop."
  wine "$exe"
  exit
fi

unset DISPLAY
velant_ensure_display
cleanup() {
  velant_stop_wine
  [ "${VELANT_XVFB_STARTED:-}" = 1 ] && velant_stop_display
  return 0
}
trap cleanup EXIT
velant_ensure_wine
echo "No usable display: running on Xvfb $DISPLAY"
mkdir -p "$VELANT_ROOT/build/logs"
wine "$exe" </dev/null >"$VELANT_ROOT/build/logs/run.log" 2>&1 &
sleep 8
shot="$VELANT_ROOT/build/screenshots/run.png"
scripts/screenshot.sh "$shot"
echo "Screenshot: $shot"
