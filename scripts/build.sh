#!/usr/bin/env bash
# Configures (once) and builds the project into build/.
# Usage: scripts/build.sh [build-dir] [extra cmake -D options...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$top/build}
shift || true

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$build_dir" --parallel "$(nproc)"
