#!/usr/bin/env bash
# Runs a command with DISPLAY pointing at a private Xvfb server, which is stopped (by its
# PID) when the command ends; exits with the command's status. For CI runs of the GUI.
# Usage: xvfb-run-command.sh COMMAND [ARGUMENTS...]
set -euo pipefail
read -r number pid < <("$(dirname "$0")/xvfb-start.sh")
trap 'kill "$pid" 2>/dev/null || true' EXIT
DISPLAY=":$number" "$@"
