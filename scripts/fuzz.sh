#!/bin/bash
# Fuzzes the DICOM reading library with libFuzzer for a given time.
#
# usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR] [TARGET]
#   SECONDS    how long to fuzz (default 60)
#   BUILD_DIR  the clang build to use (default build-fuzz; configured when missing)
#   TARGET     dicom_fuzzer (the element reader, default) or text_decode_fuzzer (the
#              character-set decoder, seeded from fuzz/text_seeds)
#
# The corpus grows in BUILD_DIR/fuzz-corpus-TARGET, started from the seeds (which
# stay as they are); crashes are written to BUILD_DIR/fuzz-crashes-TARGET. Replay a crash with
#   BUILD_DIR/fuzz/TARGET CRASH_FILE
# At the end the script prints the executions, the corpus size and any crash found, and
# exits 1 when the fuzzer found one.
set -euo pipefail

seconds=${1:-60}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${2:-$source_dir/build-fuzz}
target=${3:-dicom_fuzzer}
case $target in
  dicom_fuzzer) seeds=$source_dir/fuzz/seeds ;;
  text_decode_fuzzer) seeds=$source_dir/fuzz/text_seeds ;;
  *) echo "usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR] [dicom_fuzzer|text_decode_fuzzer]" >&2; exit 2 ;;
esac

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -DHARROWDESK_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF > /dev/null
fi
cmake --build "$build_dir" --target "$target" -j2 > /dev/null

corpus=$build_dir/fuzz-corpus-$target
crashes=$build_dir/fuzz-crashes-$target
mkdir -p "$corpus" "$crashes"
log=$build_dir/fuzz.log

status=0
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build_dir/fuzz/$target" "$corpus" "$seeds" \
  -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
  -artifact_prefix="$crashes/" -print_final_stats=1 > "$log" 2>&1 || status=$?

grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^Done" "$log" || true
echo "corpus: $(ls "$corpus" | wc -l) files, $(du -sk "$corpus" | cut -f1) KiB in $corpus"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$crashes")" ]; then
  echo "the fuzzer found a fault (exit $status); see $log and $crashes" >&2
  exit 1
fi
echo "no fault found in $seconds s"
