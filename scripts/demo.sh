#!/usr/bin/env bash
# Sets up, builds and runs the demonstration of what the program does today.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build"
"$top/scripts/demo-run.sh" "$top/build"
