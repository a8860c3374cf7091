#!/usr/bin/env bash
# The demonstration itself, on an already built tree: scripts/demo-run.sh BUILD_DIR
set -euo pipefail
build_dir=${1:?build directory}
echo "Nothing to demonstrate yet."
