#!/usr/bin/env bash
# Sets up, builds and runs the desktop program on its built-in simulated device.
#
# With a display: the program's window, on a simulated receiver behind a simulated
# programming cable (tick "Power Cable" to bring the receiver up). Without one: the same
# program under Xvfb, driven through a first session by a scripted tour that saves a
# screenshot of each step into a folder it prints; then the command-line demonstration.
#
# Usage: scripts/run.sh [SCREENSHOT_FOLDER]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build"
bin=$top/build/bin

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/zandorex-programmer" --demo
fi

shots=${1:-$top/build/tour}
rm -rf "$shots"
xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  "$bin/zandorex-tour" "$shots"
"$top/scripts/demo-run.sh" "$top/build"
