#!/usr/bin/env bash
# The demonstration itself, on an already built tree: scripts/demo-run.sh BUILD_DIR
#
# A simulated receiver on a pseudo-terminal stands in for the hardware: zanprog identifies
# it, backs its settings up, changes one setting in the backup and restores it, then updates
# its firmware from the stand-in update service (zanprog-testservice, over HTTPS with a test
# certificate) and then from a generated file. The simulator keeps its flash in a state file, as the
# device would.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:?build directory}
zanprog=$build_dir/cli/zanprog
devsim=$build_dir/devsim/zanprog-devsim
testservice=$build_dir/testservice/zanprog-testservice

# A serial number of the family's form: the catalog knows its product.
serial=ZXSIM-WkFORE9SRVgMU0lNVUxBVEUh
product_code=217
work=$(mktemp -d "${TMPDIR:-/tmp}/zanprog-demo.XXXXXX")
devsim_pid=
service_pid=

stop_service() {
  if [ -n "$service_pid" ] && kill -0 "$service_pid" 2>/dev/null; then
    kill -TERM "$service_pid"
    wait "$service_pid" || true
  fi
  service_pid=
}

stop_simulator() {
  if [ -n "$devsim_pid" ] && kill -0 "$devsim_pid" 2>/dev/null; then
    kill -TERM "$devsim_pid"
    wait "$devsim_pid" || true
  fi
  devsim_pid=
}
trap 'stop_service; stop_simulator; rm -rf "$work"' EXIT

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

printf '\n== Start the stand-in update service (HTTPS, demo account demo/demo)\n'
"$testservice" --tls --demo --device "$serial:$product_code" >"$work/service.out" 2>"$work/service.err" &
service_pid=$!
for _ in $(seq 100); do
  [ -s "$work/service.out" ] && break
  sleep 0.1
done
service_url=$(head -n 1 "$work/service.out")
if [ -z "$service_url" ]; then
  echo "demo: the test service did not start" >&2
  cat "$work/service.err" >&2
  exit 1
fi
echo "zanprog-testservice answers at $service_url"
# The log-in goes to a settings file of the demo's own, not the user's.
export XDG_CONFIG_HOME=$work/config
online=("${device[@]}" --service-url "$service_url" --service-ca "$top/testservice/certs/test-ca.pem")

printf '\n== Log in (the password comes from standard input here)\n$ echo demo | %s login demo\n' \
  "${online[*]}"
echo demo | "${online[@]}" login demo
step "List the updates the service offers for the receiver" "${online[@]}" updates
step "Download the proposed update and install it" "${online[@]}" update
step "Identify it again: the service's version" "${device[@]}" identify
step "Log out" "${online[@]}" logout
stop_service

step "Write a firmware file for the receiver (version 9.1)" \
  "$devsim" --profile airplane-receiver --serial "$serial" --write-sax "$work/firmware.sax"
step "Update the receiver's firmware" "${device[@]}" flash "$work/firmware.sax"
step "Identify it again: application 9.1" "${device[@]}" identify

printf '\n== Stop the simulator\n'
stop_simulator
echo "done"
