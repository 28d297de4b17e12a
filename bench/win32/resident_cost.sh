#!/usr/bin/env bash
# What being resident costs, under Wine, beside a baseline program that adds one
# notification icon and then only waits in GetMessage (bench/win32/resident):
#   - processor time of each over SECONDS (default 60): the program idle (fresh
#     settings), with the caption clock, and with the clock and the CPU load;
#   - wake-ups per second: context switches of all the process's threads;
#   - the time from process start to the notification icon, STARTS times each
#     (default 5), alternating, with the medians and their difference.
# Processor time is the threads' run time from /proc/PID/task/*/schedstat, in
# nanoseconds. Not part of ./test.sh; needs the windows build (VelantPro.exe).
#
# Usage: bench/win32/resident_cost.sh [SECONDS] [STARTS]   (SECONDS 0: the start-up only)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
seconds=${1:-60}
starts=${2:-5}
out=build/resident
mkdir -p "$out"
exe=build/windows/dist/VelantPro.exe
if [ ! -f "$exe" ]; then
  exe=build/windows/VelantPro.exe
  # Its debug information (about 19 MB) is read at every start: some 90 ms under Wine.
  [ -f "$exe" ] && echo "note: no stripped exe (target velant_dist); measuring $exe" >&2
fi
[ -f "$exe" ] || { echo "build the windows preset first" >&2; exit 1; }
x86_64-w64-mingw32-gcc -O2 -mwindows -o "$out/Baseline.exe" bench/win32/resident/Baseline.c
x86_64-w64-mingw32-gcc -O2 -o "$out/StartupProbe.exe" bench/win32/resident/StartupProbe.c

. scripts/wine-env.sh
velant_ensure_display && velant_ensure_wine

# Through a file: the started program inherits the probe's output and keeps it open,
# so a pipe would not end while the program runs.
probe() {
  wine "$out/StartupProbe.exe" "$@" </dev/null >"$out/probe.out" 2>"$out/probe.log" || true
  tr -d '\r' <"$out/probe.out"
}
settings='HKCU\Software\Corvane'
store='HKCU\Software\Corvane\Velant! Pro 2001'
# The Linux process of a running Windows program (not the probe that names it).
pid_of() {
  local p
  for p in $(pgrep -f "$1"); do
    grep -q StartupProbe "/proc/$p/cmdline" 2>/dev/null || { echo "$p"; return; }
  done
}
# Run time in ns and context switches, over all threads.
sample() {
  local p=$1 ns=0 sw=0 t a b
  for t in /proc/"$p"/task/*; do
    read -r a _ _ <"$t/schedstat" || continue
    ns=$((ns + a))
    b=$(awk '/ctxt_switches/ {s += $2} END {print s}' "$t/status")
    sw=$((sw + b))
  done
  echo "$ns $sw"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "Start-up to the icon (ms), $starts starts each:"
vs=() bs=()
for _ in $(seq "$starts"); do
  wine reg delete "$settings" /f >/dev/null 2>&1 || true
  v=$(probe "$(winepath -w "$exe")" TCoolTrayIconWnd 1); probe close TQuorvForm >/dev/null
  b=$(probe "$(winepath -w "$out/Baseline.exe")" VelantBaselineWnd 1); probe close VelantBaselineWnd >/dev/null
  echo "  program $v  baseline $b"
  vs+=("$v") bs+=("$b")
done
vm=$(printf '%s\n' "${vs[@]}" | median)
bm=$(printf '%s\n' "${bs[@]}" | median)
awk -v v="$vm" -v b="$bm" 'BEGIN { printf "  median: program %.1f  baseline %.1f  difference %.1f\n", v, b, v - b }'
if [ "$seconds" = 0 ]; then
  wine reg delete "$settings" /f >/dev/null 2>&1 || true
  velant_stop_wine
  exit 0
fi

# A window in front, whose caption the clock stamps.
setsid wine notepad </dev/null >/dev/null 2>&1 &
sleep 2
probe "$(winepath -w "$out/Baseline.exe")" VelantBaselineWnd 1 >/dev/null
base=$(pid_of Baseline.exe)
printf '\n%-16s %12s %12s %14s %14s\n' case "program ms" "baseline ms" "program sw/s" "baseline sw/s"
for case in idle clock clock+cpu; do
  wine reg delete "$settings" /f >/dev/null 2>&1 || true
  case $case in
    clock) wine reg add "$store" /v ckWinClock_Checked /d True /f >/dev/null 2>&1 ;;
    clock+cpu) wine reg add "$store" /v ckWinClock_Checked /d True /f >/dev/null 2>&1
               wine reg add "$store" /v ckCPU_Checked /d True /f >/dev/null 2>&1 ;;
  esac
  probe "$(winepath -w "$exe")" TCoolTrayIconWnd 1 >/dev/null
  prog=$(pid_of VelantPro.exe)
  sleep 5
  read -r p0 ps0 < <(sample "$prog")
  read -r b0 bs0 < <(sample "$base")
  sleep "$seconds"
  read -r p1 ps1 < <(sample "$prog")
  read -r b1 bs1 < <(sample "$base")
  awk -v c="$case" -v s="$seconds" -v p=$((p1 - p0)) -v b=$((b1 - b0)) -v ps=$((ps1 - ps0)) -v bs=$((bs1 - bs0)) \
    'BEGIN { printf "%-16s %12.1f %12.1f %14.2f %14.2f   (above baseline: %.3f %% of a core)\n",
             c, p / 1e6, b / 1e6, ps / s, bs / s, (p - b) / (s * 1e9) * 100 }'
  probe close TQuorvForm >/dev/null
done
probe close VelantBaselineWnd >/dev/null
wine reg delete "$settings" /f >/dev/null 2>&1 || true
velant_stop_wine
