#!/usr/bin/env bash
# The demonstration itself, on an already built tree: scripts/demo-run.sh BUILD_DIR
#
# A simulated receiver on a pseudo-terminal stands in for the hardware: zanprog identifies
# it, backs its settings up, changes one setting in the backup and restores it, then updates
# its firmware. The simulator keeps its flash in a state file, as the device would.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:?build directory}
zanprog=$build_dir/cli/zanprog
devsim=$build_dir/devsim/zanprog-devsim

# A serial number of the family's form: the catalog knows its product.
serial=ZXSIM-WkFORE9SRVgMU0lNVUxBVEUh
work=$(mktemp -d "${TMPDIR:-/tmp}/zanprog-demo.XXXXXX")
devsim_pid=

stop_simulator() {
  if [ -n "$devsim_pid" ] && kill -0 "$devsim_pid" 2>/dev/null; then
    kill -TERM "$devsim_pid"
    wait "$devsim_pid" || true
  fi
  devsim_pid=
}
trap 'stop_simulator; rm -rf "$work"' EXIT

step() { printf '\n== %s\n$ %s\n' "$1" "${*:2}"; "${@:2}"; }
# For commands whose exit status carries an answer (diff: 1 = different).
step_status() {
  local expected=$1 title=$2 status=0
  shift 2
  printf '\n== %s\n$ %s\n' "$title" "$*"
  "$@" || status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "demo: expected exit status $expected, got $status" >&2
    exit 1
  fi
}

step "Lay out a settings schema (packed)" \
  "$zanprog" layout "$top/scripts/demo/receiver-settings.layout"
step "Name the product behind a device serial number" \
  "$zanprog" catalog "$serial"

printf '\n== Start a simulated receiver on a pseudo-terminal\n'
"$devsim" --profile airplane-receiver --serial "$serial" --state "$work/device-state.json" \
  >"$work/devsim.out" 2>"$work/devsim.err" &
devsim_pid=$!
for _ in $(seq 100); do
  [ -s "$work/devsim.out" ] && break
  sleep 0.1
done
port=$(head -n 1 "$work/devsim.out")
if [ -z "$port" ]; then
  echo "demo: the simulator did not start" >&2
  cat "$work/devsim.err" >&2
  exit 1
fi
echo "zanprog-devsim serves the receiver on $port"
device=("$zanprog" --port "$port")

step "Identify the receiver" "${device[@]}" identify
step "Back its settings up" "${device[@]}" backup -o "$work/backup.zrm"
step "What the backup holds" "$zanprog" info "$work/backup.zrm"
cp "$work/backup.zrm" "$work/changed.zrm"
step "Change one setting in a copy" "$zanprog" set "$work/changed.zrm" servo.failsafe[2] 77
step_status 1 "Compare the copy with the backup" "$zanprog" diff "$work/backup.zrm" "$work/changed.zrm"
step "Restore the changed copy; the device's CRCs must match it" \
  "${device[@]}" restore "$work/changed.zrm"
step "Back up again: the device holds the change" "${device[@]}" backup -o "$work/after.zrm"
step_status 0 "Compare with the restored copy" "$zanprog" diff "$work/changed.zrm" "$work/after.zrm"
echo "(no differences)"

step "Write a firmware file for the receiver (version 9.1)" \
  "$devsim" --profile airplane-receiver --serial "$serial" --write-sax "$work/firmware.sax"
step "Update the receiver's firmware" "${device[@]}" flash "$work/firmware.sax"
step "Identify it again: application 9.1" "${device[@]}" identify

printf '\n== Stop the simulator\n'
stop_simulator
echo "done"
