#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, in build/fuzz) and runs them.
#   scripts/fuzz.sh TARGET SECONDS   one target for longer; what it finds is kept in
#                                    build/fuzz/found/TARGET (inputs that reach new code, and
#                                    crash-* files for a broken rule)
#   scripts/fuzz.sh --all SECONDS    every target for SECONDS on its seeds and fresh inputs, two at
#                                    a time; fresh inputs go to a scratch folder (./test does this)
# Targets: receive, files, message, agw, softtnc (tests/fuzz). A broken rule exits non-zero.
set -euo pipefail
TOLVEX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$TOLVEX_ROOT/scripts/setup.sh"

targets=(receive files message agw softtnc kiss)
usage() {
  echo "usage: scripts/fuzz.sh TARGET|--all SECONDS   (targets: ${targets[*]})" >&2
  exit 2
}
[ $# -eq 2 ] || usage
which=$1
seconds=$2
[[ $seconds =~ ^[0-9]+$ ]] || usage
if [ "$which" != "--all" ] && [[ ! " ${targets[*]} " =~ " $which " ]]; then usage; fi

tolvex_packages+=(clang libclang-rt-14-dev)
tolvex_setup
build=$TOLVEX_ROOT/build/fuzz
tolvex_build "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DTOLVEX_FUZZ=ON -DTOLVEX_WERROR=ON

export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# run TARGET SECONDS NEW_INPUTS_DIR: libFuzzer's log goes to build/fuzz/logs/TARGET.log.
run() {
  local target=$1 secs=$2 fresh=$3
  local found=$build/found/$target
  mkdir -p "$fresh" "$found" "$build/logs"
  # -timeout: one input taking this long is a hang; -rss_limit_mb: memory past this is unbounded.
  "$build/bin/fuzz_$target" -max_total_time="$secs" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$found/" "$fresh" "$TOLVEX_ROOT/tests/fuzz/corpus/$target" \
    >"$build/logs/$target.log" 2>&1
}

# One line per target: executions, speed, and on failure the rule or sanitizer report.
report() {
  local target=$1 status=$2 log=$build/logs/$1.log
  local runs speed
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(grep -o 'exec/s: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  if [ "$status" -eq 0 ]; then
    echo "fuzz_$target: ${runs:-0} runs, ${speed:-0} exec/s, no rule broken"
  else
    echo "fuzz_$target: FAILED (exit $status); input kept in build/fuzz/found/$target/; log:"
    grep -E -A25 'rule broken|ERROR: |runtime error' "$log" | head -40
  fi
}

if [ "$which" != "--all" ]; then
  status=0
  run "$which" "$seconds" "$build/found/$which" || status=$?
  report "$which" $status
  echo "To keep what it found as seeds: build/fuzz/bin/fuzz_$which -merge=1 tests/fuzz/corpus/$which build/fuzz/found/$which"
  exit $status
fi

passed=0
failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  batch=("${targets[@]:i:2}")
  for t in "${batch[@]}"; do
    rm -rf "$build/scratch/$t"
    run "$t" "$seconds" "$build/scratch/$t" &
    pids+=($!)
  done
  for j in "${!batch[@]}"; do
    status=0
    wait "${pids[j]}" || status=$?
    report "${batch[j]}" $status
    if [ $status -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  done
done
echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
