#!/bin/sh
# Builds the wallpaper benchmark for the host (optimised) and prints the ratios.
# Needs libjpeg62-turbo-dev, libbenchmark-dev and libjpeg-turbo-progs (djpeg).
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
out=${BENCH_BUILD_DIR:-$top/build/bench}
mkdir -p "$out"
# bench/run.sh cpu [flags]: the CPU meter's sample on synthetic performance data instead.
if [ "${1:-}" = cpu ]; then
    shift
    g++ -std=c++20 -O2 -DNDEBUG -Wall -Wextra -I"$top/src" -I"$top/tests" \
        "$here/cpu_bench.cpp" "$top"/src/system/adCpuUsage.cpp "$top"/src/platform/*.cpp \
        "$top"/src/platform/sim/*.cpp -lbenchmark_main -lbenchmark -pthread -o "$out/cpu_bench"
    exec "$out/cpu_bench" "$@"
fi
# bench/run.sh timer [flags]: the timer list's round and the caption clock's tick.
if [ "${1:-}" = timer ]; then
    shift
    g++ -std=c++20 -O2 -DNDEBUG -Wall -Wextra -I"$top/src" -I"$top/tests" \
        "$here/timer_bench.cpp" $(find "$top/src" -name '*.cpp' ! -path '*/win32/*' ! -name 'main_win32.cpp') \
        -ljpeg -lbenchmark_main -lbenchmark -pthread -o "$out/timer_bench"
    exec "$out/timer_bench" "$@"
fi
if ! command -v djpeg >/dev/null; then
    echo "djpeg is missing: apt-get install libjpeg-turbo-progs" >&2
    exit 1
fi
g++ -std=c++20 -O2 -DNDEBUG -Wall -Wextra -I"$top/src" \
    "$here/wallpaper_bench.cpp" "$top"/src/wallpaper/FilesScn.cpp "$top"/src/wallpaper/Masks.cpp \
    "$top"/src/wallpaper/Picture.cpp "$top"/src/wallpaper/Jpeg.cpp "$top"/src/wallpaper/SafeFile.cpp \
    "$top"/src/ui/Bitmap.cpp "$top"/src/platform/*.cpp "$top"/src/platform/sim/*.cpp \
    -ljpeg -lbenchmark -pthread -o "$out/wallpaper_bench"
exec "$out/wallpaper_bench" "$@"
