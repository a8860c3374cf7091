#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build"
cd "$top/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600
"$top/scripts/package-check.sh" "$top/build"
"$top/scripts/windows-check.sh" "$top/build/windows-check"
