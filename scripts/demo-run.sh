#!/usr/bin/env bash
# The demonstration itself, on an already built tree: scripts/demo-run.sh BUILD_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:?build directory}
zanprog=$build_dir/cli/zanprog

step() { printf '\n== %s\n$ %s\n' "$1" "${*:2}"; "${@:2}"; }

step "Lay out a settings schema (packed)" \
  "$zanprog" layout "$top/scripts/demo/receiver-settings.layout"
step "The same schema as JSON" \
  "$zanprog" --json layout "$top/scripts/demo/receiver-settings.layout"
step "Name the product behind a device serial number" \
  "$zanprog" catalog ZX909AEjRWeJq83vBLAQIDBAUGBwgJ
step "The same look-up as JSON" \
  "$zanprog" --json catalog ZX909AEjRWeJq83vBLAQIDBAUGBwgJ
