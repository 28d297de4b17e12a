#!/usr/bin/env bash
# Runs the high-density end-to-end tests (DpiE2e.*) under Wine at 144 and at 192
# pixels per inch, then puts the prefix back to 96 so other tests see the density
# they were written for. Wine reads the density (HKCU\Control Panel\Desktop,
# LogPixels) when its server starts, so each density restarts Wine.
#
#   scripts/wine-dpi.sh [DPI...]        (default: 144 192)
#
# Screenshots: build/screenshots/*-<dpi>dpi.bmp. Exits non-zero when a test failed or
# Wine could not be restarted.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
. scripts/wine-env.sh

dpis=("$@")
[ ${#dpis[@]} -gt 0 ] || dpis=(144 192)

rc=0
for dpi in "${dpis[@]}"; do
  echo "--- Wine at $dpi dpi"
  if ! velant_wine_at_dpi "$dpi"; then
    echo "Wine did not restart at $dpi dpi" >&2
    rc=1
    break
  fi
  # shellcheck disable=SC2086
  VELANT_EXPECT_DPI=$dpi ctest --preset windows -R '^DpiE2e\.' --output-on-failure \
    ${VELANT_DPI_CTEST_ARGS:-} || rc=1
done

echo "--- Wine back at 96 dpi"
velant_wine_at_dpi 96 || rc=1
exit $rc
