#!/bin/sh
# Times the dictionary and the value decoders against pydicom doing the same work on
# the DICOM files Debian's python3-pydicom ships, and prints both and the ratios.
# usage: bench/dicom_values.sh [BUILD_DIR [REPETITIONS]]   (build the target
#        bench_dicom_values first: cmake --build build --target bench_dicom_values)
set -e
build=${1:-build}
repetitions=${2:-200}
here=$(dirname "$0")
files=/usr/lib/python3/dist-packages/pydicom/data/test_files
ours=$("$build/bench/bench_dicom_values" "$files" "$repetitions")
theirs=$(/usr/bin/python3 "$here/dicom_values_bench.py" "$here/../src/dicom/NEMA_db_Tables.cpp" "$files" "$repetitions")
echo "Harrowdesk:"; echo "$ours" | sed 's/^/  /'
echo "pydicom:"; echo "$theirs" | sed 's/^/  /'
# The ratio of the times (the number before "ms" on each line): pydicom's over ours.
for line in 1 2 3; do
  label=$(echo "$ours" | sed -n "${line}p" | cut -d: -f1)
  a=$(echo "$ours" | sed -n "${line}p" | awk '{print $(NF-1)}')
  b=$(echo "$theirs" | sed -n "${line}p" | awk '{print $(NF-1)}')
  awk -v label="$label" -v a="$a" -v b="$b" 'BEGIN { printf "%s: pydicom/Harrowdesk = %.1f\n", label, b / a }'
done
