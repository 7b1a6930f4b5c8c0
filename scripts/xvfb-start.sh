#!/usr/bin/env bash
# Starts a private Xvfb server on a display number that no other server uses (Xvfb picks
# it itself with -displayfd) and prints "NUMBER PID" on one line. The caller stops the
# server by that PID. Used by the end-to-end window tests and by xvfb-run-command.sh.
# Usage: xvfb-start.sh [WIDTHxHEIGHT]   (default 1024x768)
set -euo pipefail
geometry=${1:-1024x768}
number_file=$(mktemp "${TMPDIR:-/tmp}/xvfb-display.XXXXXX")
trap 'rm -f "$number_file"' EXIT
Xvfb -displayfd 3 -screen 0 "${geometry}x24" -nolisten tcp -noreset 3>"$number_file" </dev/null >/dev/null 2>&1 &
pid=$!
for _ in $(seq 1 200); do
  [[ -s "$number_file" ]] && break
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "xvfb-start.sh: Xvfb did not start" >&2
    exit 1
  fi
  sleep 0.05
done
if [[ ! -s "$number_file" ]]; then
  kill "$pid" 2>/dev/null || true
  echo "xvfb-start.sh: Xvfb gave no display number" >&2
  exit 1
fi
echo "$(tr -d '\n' <"$number_file") $pid"
