#!/usr/bin/env bash
# Runs every fuzz target (fuzz/*.cpp) for a fixed number of executions, one after
# the other, seeded with real inputs, and prints per target the executions, the
# rate, the coverage reached and the crashes found.
#
# Usage: scripts/fuzz-long.sh [RUNS] [TARGET...]
#   RUNS      executions per target (default 10000000)
#   TARGET    the targets to run, by file name without fuzz_ (default: all)
# Environment: FUZZ_NICE (default 10) is the niceness the fuzzers run at;
#   FUZZ_MAX_SECONDS, when set, also ends each target's run after that many seconds.
#
# Seeds, besides fuzz/corpus/<target>:
#   jpeg   the test images of libjpeg-turbo's source, as scripts/build-libjpeg-mingw.sh
#          fetches it into build/deps (fetched the same way when missing)
#   bmp    fuzz/corpus/bmp holds bitmaps of every header kind
# What a run learns is kept in build/fuzz/long/<target> and grows over the runs.
# A crash stops that target's run; its input is copied to fuzz/regressions/<target>-<name>,
# which ./test.sh replays, and the script ends with status 1.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
runs=${1:-10000000}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do
    name=$(basename "$src" .cpp)
    targets+=("${name#fuzz_}")
  done
fi

cmake --preset fuzz >/dev/null && cmake --build --preset fuzz >/dev/null || {
  echo "building the fuzzers failed" >&2
  exit 1
}

# libjpeg-turbo's own test images, from Debian's source package.
jpeg_seeds() {
  local deps="$root/build/deps" src
  src=$(find -L "$deps" -maxdepth 1 -type d -name 'libjpeg-turbo-[0-9]*' 2>/dev/null | sort | tail -n 1)
  if [ -z "$src" ]; then
    mkdir -p "$deps" && rm -rf "$deps/fetch" && mkdir "$deps/fetch"
    (cd "$deps/fetch" && apt-get source -qq libjpeg-turbo >../apt-source.log 2>&1) || {
      echo "apt-get source libjpeg-turbo failed (see $deps/apt-source.log); JPEG seeds from fuzz/corpus only" >&2
      return
    }
    src=$(find "$deps/fetch" -maxdepth 1 -type d -name 'libjpeg-turbo-[0-9]*' | sort | tail -n 1)
    mv "$src" "$deps/" && src="$deps/$(basename "$src")"
    rm -rf "$deps/fetch"
  fi
  local dir="build/fuzz/long/seeds-jpeg"
  mkdir -p "$dir"
  cp "$src"/testimages/*.jpg "$dir/" 2>/dev/null
  echo "$dir"
}

status=0
printf '%-10s %12s %9s %8s %8s %8s %8s\n' target executions exec/s cov ft crashes seconds
for target in "${targets[@]}"; do
  exe="build/fuzz/fuzz_fuzz_$target"
  [ -x "$exe" ] || exe="build/fuzz/fuzz_$target"
  [ -x "$exe" ] || { echo "no fuzzer for $target" >&2; status=1; continue; }
  work="build/fuzz/long/$target"
  artifacts="build/fuzz/long/artifacts"
  log="build/fuzz/long/$target.log"
  mkdir -p "$work" "$artifacts"
  seeds=()
  [ -d "fuzz/corpus/$target" ] && seeds+=("fuzz/corpus/$target")
  if [ "$target" = jpeg ]; then
    dir=$(jpeg_seeds)
    [ -n "$dir" ] && seeds+=("$dir")
  fi
  before=$(ls "$artifacts" | grep -c "^$target-" || true)
  start=$(date +%s)
  limit=()
  [ -n "${FUZZ_MAX_SECONDS:-}" ] && limit=(-max_total_time="$FUZZ_MAX_SECONDS")
  nice -n "${FUZZ_NICE:-10}" "$exe" -runs="$runs" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$work" "${seeds[@]}" >"$log" 2>&1
  rc=$?
  seconds=$(($(date +%s) - start))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  crashes=0
  for f in "$artifacts/$target-"*; do
    [ -f "$f" ] || continue
    crashes=$((crashes + 1))
    keep="fuzz/regressions/$target-${f##*/$target-}"
    [ -f "$keep" ] || cp "$f" "$keep"
  done
  crashes=$((crashes - before))
  [ $rc -eq 0 ] && [ $crashes -eq 0 ] || status=1
  printf '%-10s %12s %9s %8s %8s %8s %8s\n' "$target" "${execs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" \
    "$crashes" "$seconds"
  [ $rc -eq 0 ] || echo "  $target ended with status $rc: see $log" >&2
done
exit $status
