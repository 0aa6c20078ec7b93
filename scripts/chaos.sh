#!/usr/bin/env bash
# Runs N more seeds of the chaos test (random interleavings of operator actions and TNC texts on
# the station logic), beyond the fixed set that ./test runs:
#
#   scripts/chaos.sh N [START]
#
# START defaults to a seed drawn from the clock, so repeated runs cover new ground. Every break is
# printed with its seed and the shortest step list that still breaks, and how to replay it.
set -euo pipefail
TOLVEX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$TOLVEX_ROOT/scripts/setup.sh"

count=${1:?usage: scripts/chaos.sh N [START]}
start=${2:-$(( $(date +%s) % 1000000 * 1000 ))}

tolvex_setup
dir="$TOLVEX_ROOT/build/asan"
cmake -S "$TOLVEX_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVEX_SANITIZE=ON -DTOLVEX_BENCH=OFF \
  -DTOLVEX_WERROR=ON >/dev/null
cmake --build "$dir" --target test_chaos
echo "chaos: seeds $start to $((start + count - 1))"
cd "$dir"
TOLVEX_CHAOS_COUNT=$count TOLVEX_CHAOS_START=$start QT_QPA_PLATFORM=offscreen QT_FATAL_WARNINGS=1 \
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ./bin/test_chaos --gtest_filter='Chaos.EverySeedKeepsEveryInvariant'
