#!/bin/bash
# Fuzzes the DICOM reading library with libFuzzer for a given time.
#
# usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR]
#   SECONDS    how long to fuzz (default 60)
#   BUILD_DIR  the clang build to use (default build-fuzz; configured when missing)
#
# The corpus grows in BUILD_DIR/fuzz-corpus, started from the seeds in fuzz/seeds (which
# stay as they are); crashes are written to BUILD_DIR/fuzz-crashes. Replay a crash with
#   BUILD_DIR/fuzz/dicom_fuzzer CRASH_FILE
# At the end the script prints the executions, the corpus size and any crash found, and
# exits 1 when the fuzzer found one.
set -euo pipefail

seconds=${1:-60}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${2:-$source_dir/build-fuzz}

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -DHARROWDESK_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF > /dev/null
fi
cmake --build "$build_dir" --target dicom_fuzzer -j2 > /dev/null

corpus=$build_dir/fuzz-corpus
crashes=$build_dir/fuzz-crashes
mkdir -p "$corpus" "$crashes"
log=$build_dir/fuzz.log

status=0
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build_dir/fuzz/dicom_fuzzer" "$corpus" "$source_dir/fuzz/seeds" \
  -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
  -artifact_prefix="$crashes/" -print_final_stats=1 > "$log" 2>&1 || status=$?

grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^Done" "$log" || true
echo "corpus: $(ls "$corpus" | wc -l) files, $(du -sk "$corpus" | cut -f1) KiB in $corpus"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$crashes")" ]; then
  echo "the fuzzer found a fault (exit $status); see $log and $crashes" >&2
  exit 1
fi
echo "no fault found in $seconds s"
