#!/usr/bin/env bash
# Starts the program on the built-in sample collection: a small generated collection of
# patients, studies and series (made once, in the build folder), catalogued by study with its
# RTF and CSV reports written beside it, then opened and scanned in the desktop program
# ($HARROWDESK_OPEN_FOLDER).
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
sample="$build/sample"
if [[ ! -d "$sample" ]]; then
  /usr/bin/python3 "$here/bench/make_corpus.py" "$sample" --files 200 --rows 64 --columns 64 > /dev/null
fi
mkdir -p "$build/sample-reports"
"$build/src/app/harrowdesk-cli" scan "$sample" --order study --level 2 --report "$build/sample-reports"
echo "Reports: $build/sample-reports/"
HARROWDESK_OPEN_FOLDER=$(cd "$sample" && pwd) exec "$build/src/app/harrowdesk"
