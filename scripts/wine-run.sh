#!/usr/bin/env bash
# Runs a Windows program under Wine in this project's prefix and virtual desktop, and
# exits with its exit code. CTest uses it as CMAKE_CROSSCOMPILING_EMULATOR.
#
# Usage: scripts/wine-run.sh PROGRAM.exe [ARGS...]
# Creates build/wineprefix on first use; uses $DISPLAY when it answers, else an Xvfb
# that it starts and leaves running for later calls (scripts/wine-env.sh explains).
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

[ $# -ge 1 ] || { echo "usage: $0 PROGRAM.exe [ARGS...]" >&2; exit 2; }
velant_ensure_wine || exit 1

if [ -t 1 ]; then
  exec wine "$@"
fi
# Output goes through a file: a process that the program started and that outlives it
# (a program under test left running after a crash) then holds that file, not the
# caller's pipe, and CTest does not wait for it until the timeout.
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
wine "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
