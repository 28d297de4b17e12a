#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test:
#   host     unit tests (ctest), the same under ASan+UBSan, under TSan for the folder
#            monitor's tests, each fuzzer for a short while, benchmarks in a quick mode
#   windows  libjpeg-turbo for MinGW, VelantPro.exe, the Win32 and end-to-end tests
#            under Wine on Xvfb (the density tests again at 144 and 192 dpi), then the
#            release packages and their install test in a Wine prefix of their own
# Ends with one line "N passed, N failed" (", N skipped" when some were) and exits
# non-zero on any failure; a failed configure or build counts as a failed test.
# Logs: build/logs. Screenshots: build/screenshots.
#
# Environment: VELANT_FUZZ_SECONDS (default 20) limits each fuzzer's run;
#              VELANT_FUZZ_SEED (default 1) seeds it.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
root=$(pwd)
logs="$root/build/logs"
screenshots="$root/build/screenshots"
fuzz_seconds=${VELANT_FUZZ_SECONDS:-20}
fuzz_seed=${VELANT_FUZZ_SEED:-1}

passed=0
failed=0
skipped=0
failures=()
start_all=$SECONDS

note() { printf '\n==> %s\n' "$*"; }

fail() {
  failed=$((failed + 1))
  failures+=("$1")
  echo "FAILED: $1"
}

# step NAME COMMAND...: runs a build step with its output in build/logs/NAME.log.
step() {
  local name=$1 t=$SECONDS
  shift
  note "$name"
  if "$@" >"$logs/$name.log" 2>&1; then
    echo "ok ($((SECONDS - t)) s)"
    return 0
  fi
  tail -n 60 "$logs/$name.log"
  fail "$name (log: build/logs/$name.log)"
  return 1
}

# run_ctest NAME CTEST-ARGS...: runs ctest with JUnit output and adds up its test cases.
run_ctest() {
  local name=$1 t=$SECONDS junit="$logs/$1.junit.xml" rc run fail_n skip_n
  shift
  note "$name"
  rm -f "$junit"
  ctest "$@" --output-junit "$junit" 2>&1 | tee "$logs/$name.log" | grep -v -E '^ *(Start +[0-9]+:|[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed )'
  rc=${PIPESTATUS[0]}
  run=0 fail_n=0 skip_n=0
  if [ -f "$junit" ]; then
    run=$(grep -c '<testcase .*status="run"' "$junit")
    fail_n=$(grep -c '<testcase .*status="fail"' "$junit")
    skip_n=$(grep -c -E '<testcase .*status="(notrun|disabled)"' "$junit")
  fi
  passed=$((passed + run))
  failed=$((failed + fail_n))
  skipped=$((skipped + skip_n))
  [ "$fail_n" -gt 0 ] && failures+=("$name: $fail_n test(s)")
  # ctest failing with no failed test case (no tests found, a test that could not start...).
  if [ "$rc" -ne 0 ] && [ "$fail_n" -eq 0 ]; then
    fail "$name: ctest exited with $rc"
  fi
  echo "$name: $run passed, $fail_n failed, $skip_n skipped ($((SECONDS - t)) s)"
}

mkdir -p "$logs" "$screenshots"

note "dependencies"
if ! scripts/install-deps.sh; then
  echo "installing the dependencies failed"
  echo "0 passed, 1 failed"
  exit 1
fi

# ---------------------------------------------------------------------------------------
# Host

if step configure-host cmake --preset host; then
  step build-host cmake --build --preset host -- -k 0
  run_ctest test-host --preset host
  if ctest --test-dir build/host -N -L bench 2>/dev/null | grep 'Test *#' >/dev/null; then
    run_ctest bench-quick --test-dir build/host -L bench --output-on-failure --timeout 300
  fi
fi

if [ -n "$(find tests -name '*_test.cpp' -not -path 'tests/win32/*' -not -path 'tests/e2e/*' 2>/dev/null)" ]; then
  if step configure-asan cmake --preset asan; then
    step build-asan cmake --build --preset asan --target velant_tests -- -k 0
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      run_ctest test-asan --preset asan
  fi

  # ThreadSanitizer on the folder monitor's tests (and any test named for threads).
  # (grep reads all of ctest's list: with -q it could stop early, and under
  # pipefail the cut-off ctest would make the test look absent.)
  tsan_filter='FolderMon|Thread'
  if ctest --test-dir build/host -N -R "$tsan_filter" 2>/dev/null | grep 'Test *#' >/dev/null; then
    if step configure-tsan cmake --preset tsan; then
      step build-tsan cmake --build --preset tsan --target velant_tests -- -k 0
      TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        run_ctest test-tsan --preset tsan -R "$tsan_filter"
    fi
  fi
fi

# Each fuzzer runs for $fuzz_seconds on its seed corpus (fuzz/corpus/<target> when present);
# one run counts as one test.
if compgen -G 'fuzz/*.cpp' >/dev/null; then
  if step configure-fuzz cmake --preset fuzz && step build-fuzz cmake --build --preset fuzz -- -k 0; then
    for src in fuzz/*.cpp; do
      name=$(basename "$src" .cpp)
      note "fuzz $name (${fuzz_seconds} s)"
      corpus="build/fuzz/corpus/$name"
      mkdir -p "$corpus" build/fuzz/artifacts
      seeds=()
      [ -d "fuzz/corpus/${name#fuzz_}" ] && seeds=("fuzz/corpus/${name#fuzz_}")
      # Inputs that once failed (fuzz/regressions/<target>-*) are replayed first.
      regressions=()
      for f in fuzz/regressions/"${name#fuzz_}"-*; do [ -f "$f" ] && regressions+=("$f"); done
      # A fixed seed makes this short run from a fresh clone take the same path on
      # every machine (as far as its time allows), so that a red run can be
      # repeated; scripts/fuzz-long.sh explores with fresh seeds.
      log="$logs/fuzz-$name-regressions.log"
      if [ -x "build/fuzz/fuzz_$name" ] &&
         { [ ${#regressions[@]} -eq 0 ] || "build/fuzz/fuzz_$name" "${regressions[@]}" >"$log" 2>&1; } &&
         log="$logs/fuzz-$name.log" &&
         "build/fuzz/fuzz_$name" -seed="$fuzz_seed" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
           -print_final_stats=1 \
           -artifact_prefix="build/fuzz/artifacts/$name-" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
        passed=$((passed + 1))
        grep -E '^stat::number_of_executed_units' "$log" || true
      else
        # From the line before the first that says what went wrong (for a replayed
        # input, its name), not the stack's tail.
        first=$(grep -n -m1 -E '^key |ERROR' "$log" 2>/dev/null | cut -d: -f1)
        tail -n +"$(( ${first:-2} > 1 ? ${first:-2} - 1 : 1 ))" "$log" 2>/dev/null | head -n 40
        fail "fuzz $name (log: ${log#"$PWD"/}, inputs: build/fuzz/artifacts)"
      fi
    done
  fi
fi

# ---------------------------------------------------------------------------------------
# Windows

. scripts/wine-env.sh
cleanup() {
  velant_stop_wine
  [ "${VELANT_XVFB_STARTED:-}" = 1 ] && velant_stop_display
  return 0
}
trap cleanup EXIT

if step libjpeg-mingw scripts/build-libjpeg-mingw.sh &&
   step configure-windows cmake --preset windows; then
  step build-windows cmake --build --preset windows -- -k 0
  # Wine comes first: even listing the tests runs them under Wine (discovery before testing).
  note "Wine"
  t=$SECONDS
  if velant_ensure_display && velant_ensure_wine; then
    echo "Wine ready on DISPLAY=$DISPLAY ($((SECONDS - t)) s)"
    rm -f "$screenshots"/*.bmp
    run_ctest test-windows --preset windows
    # High density: the DpiE2e tests again with Wine at 144 and at 192 dpi (Wine restarts
    # for each and reads the density then), and back to 96 for whatever runs after.
    for dpi in 144 192; do
      if velant_wine_at_dpi "$dpi"; then
        VELANT_EXPECT_DPI=$dpi run_ctest "test-windows-${dpi}dpi" --preset windows -R '^DpiE2e\.'
      else
        fail "Wine did not restart at $dpi dpi"
      fi
    done
    velant_wine_at_dpi 96 || fail "Wine did not return to 96 dpi"
  else
    fail "Wine did not start (see build/wine-state)"
  fi
fi

# The release packages (build/windows/package), then their install, upgrade and uninstall
# in a Wine prefix of their own (tests/install); each of the two counts as one test.
if [ -f build/windows/build.ninja ] && velant_ensure_display &&
   step package-windows cmake --build --preset windows --target package; then
  passed=$((passed + 1))
  step install-windows tests/install/install_test.sh && passed=$((passed + 1))
fi

cleanup
trap - EXIT

# ---------------------------------------------------------------------------------------

note "screenshots"
for bmp in "$screenshots"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
ls -1 "$screenshots"/*.png 2>/dev/null || echo "(none)"

note "summary ($((SECONDS - start_all)) s)"
for f in "${failures[@]}"; do echo "failed: $f"; done
line="$passed passed, $failed failed"
[ "$skipped" -gt 0 ] && line="$line, $skipped skipped"
echo "$line"
[ "$failed" -eq 0 ]
