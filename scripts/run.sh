#!/usr/bin/env bash
# Sets up, builds and runs the desktop program on its built-in simulated device.
#
# With a display: the program's window, on a simulated receiver behind a simulated
# programming cable (tick "Power Cable" to bring the receiver up), and a stand-in update
# service on this machine (log in as demo, password demo, to update the receiver's
# firmware from Software Update). Without one: the same
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
  service_out=$(mktemp "${TMPDIR:-/tmp}/zandorex-service.XXXXXX")
  "$top/build/testservice/zanprog-testservice" --tls --demo >"$service_out" &
  service_pid=$!
  trap 'kill -TERM "$service_pid" 2>/dev/null; wait "$service_pid" || true; rm -f "$service_out"' EXIT
  for _ in $(seq 100); do
    [ -s "$service_out" ] && break
    sleep 0.1
  done
  service_url=$(head -n 1 "$service_out")
  service=()
  if [ -n "$service_url" ]; then
    service=(--service-url "$service_url" --service-ca "$top/testservice/certs/test-ca.pem")
  fi
  "$bin/zandorex-programmer" --demo "${service[@]}"
  exit
fi

shots=${1:-$top/build/tour}
rm -rf "$shots"
xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  "$bin/zandorex-tour" "$shots"
"$top/scripts/demo-run.sh" "$top/build"
