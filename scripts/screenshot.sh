#!/usr/bin/env bash
# Saves a PNG screenshot of the X display's root window (the Xvfb that the Wine scripts
# use, or $DISPLAY when it answers).
#
# Usage: scripts/screenshot.sh OUT.png
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

[ $# -eq 1 ] || { echo "usage: $0 OUT.png" >&2; exit 2; }
velant_ensure_display
mkdir -p "$(dirname "$1")"
import -display "$DISPLAY" -window root "$1"
