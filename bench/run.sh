#!/bin/sh
# Builds one host benchmark from the project's CMake target, optimised (configure preset
# "bench", folder build/bench or $BENCH_BUILD_DIR), and runs it; Google Benchmark flags
# may follow the mode:
#   bench/run.sh [wallpaper] [flags]  JPEG to wallpaper bitmap, folder scan and masks,
#                                     against djpeg, find and fnmatch, with the ratios
#   bench/run.sh cpu [flags]          the CPU meter's sample on synthetic performance data
#   bench/run.sh timer [flags]        the timer list's round and the caption clock's tick
#   bench/run.sh desktop [flags]      the "Desktop" submenu's rebuild and change bursts
#   bench/run.sh store [flags]        the settings store with 50,000 stored pictures
# Needs libjpeg62-turbo-dev, libbenchmark-dev and libgtest-dev; the wallpaper mode also
# libjpeg-turbo-progs (djpeg).
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
out=${BENCH_BUILD_DIR:-$top/build/bench}
mode=wallpaper
case "${1:-}" in
wallpaper | cpu | timer | desktop | store)
    mode=$1
    shift
    ;;
esac
if [ "$mode" = wallpaper ] && ! command -v djpeg >/dev/null; then
    echo "djpeg is missing: apt-get install libjpeg-turbo-progs" >&2
    exit 1
fi
# The same targets as the test build, so the benchmark links whatever the sources
# need; the build folder is configured once, and ninja configures again on changes.
if [ ! -f "$out/build.ninja" ]; then
    (cd "$top" && cmake --preset bench -B "$out" >/dev/null)
fi
cmake --build "$out" --parallel 2 --target "bench_${mode}_bench"
exec "$out/bench_${mode}_bench" "$@"
