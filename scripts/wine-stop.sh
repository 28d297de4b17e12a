#!/usr/bin/env bash
# Ends the Wine processes of this project's prefix (wineserver -k) and the Xvfb that the
# Wine scripts started, if one is recorded in build/wine-state.
#
# Usage: scripts/wine-stop.sh
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
velant_stop_wine
velant_stop_display
