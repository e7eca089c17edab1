#!/usr/bin/env bash
# Runs each fuzz target in turn for a bounded time, one at a time (the machine is shared).
# Usage: fuzz/run.sh <build folder> [seconds per target]; FUZZ_TARGETS=... picks targets.
# Seeds come from make_fuzz_seeds; the corpus each run grows is kept in <build>/fuzz-corpus/<target>, and
# any crash, leak, timeout or out-of-memory input is written to tests/data/fuzz/<target>/, where
# test_regressions replays it. Exits non-zero when a target found something.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: fuzz/run.sh <build folder> [seconds]}
seconds=${2:-60}
targets=(${FUZZ_TARGETS:-fuzz_picture fuzz_pcx fuzz_text})

# Leak checks off for the seed writer only: x265, which encodes the HEIC seeds, keeps some buffers to the end.
ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/make_fuzz_seeds" "$build/fuzz-seeds" || exit 1
export ASAN_OPTIONS=${ASAN_OPTIONS:-allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export QT_QPA_PLATFORM=offscreen

status=0
summary=()
for t in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$t"
  artifacts="tests/data/fuzz/$t"
  mkdir -p "$corpus" "$artifacts"
  log="$build/fuzz-$t.log"
  echo "== $t: ${seconds}s"
  # -rss_limit_mb leaves room for the largest picture the limits allow (256 MB of pixels) under ASan.
  "$build/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" "$build/fuzz-seeds/$t" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  if [[ $rc -ne 0 ]]; then
    status=1
    summary+=("$t: FOUND A FAULT after ${runs:-?} runs (exit $rc); see $log and $artifacts/")
    grep -m 5 -E '^(==[0-9]+==ERROR|SUMMARY|fuzz check failed|.*runtime error)' "$log" || tail -n 20 "$log"
  else
    summary+=("$t: nothing found in ${runs:-?} runs, ${speed:-?} runs/s, corpus $(ls "$corpus" | wc -l) inputs")
  fi
done
printf '%s\n' "${summary[@]}"
exit $status
