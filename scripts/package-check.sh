#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a scratch root (no installation
# on this machine) and checks it: control fields and dependencies, where every file lands,
# the desktop entry and AppStream metadata, the udev rules against the device identifiers in
# the code, the manual pages, and that the unpacked programs run and the desktop program reads
# its pictures and tooltips from the unpacked share/ folder.
#
# Usage: scripts/package-check.sh BUILD_DIR
set -euo pipefail
# grep -q stops reading at its first match; fed through a pipe, the writer would then die of
# SIGPIPE and, under pipefail, fail the check it passed. Texts go to grep as here-strings.
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: scripts/package-check.sh BUILD_DIR}" && pwd)

app_id=com.solvanehobby.ZandorexProgrammer
icon_sizes=(16 22 24 32 48 64 128 256 512)
commands=(zandorex-programmer zanprog zanprog-devsim driver-remover)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zx-package-check.XXXXXX")
program_pid=
cleanup() {
  if [ -n "$program_pid" ]; then kill -KILL "$program_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() {
  echo "package-check: FAIL: $*" >&2
  failures=$((failures + 1))
}
step() { echo "package-check: $*"; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package-check: $build is not a configured build tree" >&2; exit 2; }

# --- The package -----------------------------------------------------------------------------
step "building the package from $build"
cmake --build "$build" --parallel "$(nproc)" >"$scratch/build.log" 2>&1 ||
  { cat "$scratch/build.log" >&2; exit 1; }
if ! (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out") \
  >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  exit 1
fi
debs=("$scratch"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "package-check: cpack made no single .deb" >&2
  exit 1
fi
deb=${debs[0]}
step "built $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zandorex-programmer ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
description=$(field Description)
[ "$(printf '%s\n' "$description" | wc -l)" -ge 3 ] || fail "Description has no long description"
depends=$(field Depends)
# The runtime libraries of what the executables link, found by dpkg-shlibdeps.
for library in 'libqt5core5a' 'libqt5gui5' 'libqt5widgets5' 'libqt5network5' 'libqt5serialport5' \
  'libftdi1-[0-9]+' 'libcjson[0-9]+' 'libc6'; do
  printf '%s\n' "$depends" | grep -Eq "(^|[ ,|])$library( |,|$)" ||
    fail "Depends lacks $library: $depends"
done
grep -q -- '-dev\b' <<<"$depends" && fail "Depends names a development package: $depends"

dpkg-deb -e "$deb" "$scratch/control"
for script in postinst postrm; do
  [ -x "$scratch/control/$script" ] || { fail "control script $script missing or not executable"; continue; }
  sh -n "$scratch/control/$script" || fail "$script is not valid sh"
done
# The scripts run against a udevadm of ours that records its calls and fails, as it does where
# no udev runs (containers, chroots): the rules are reloaded, and a failure never fails dpkg.
mkdir -p "$scratch/fake-bin"
cat >"$scratch/fake-bin/udevadm" <<EOF
#!/bin/sh
echo "\$*" >>"$scratch/udevadm.calls"
exit 1
EOF
chmod +x "$scratch/fake-bin/udevadm"
run_control_script() {
  : >"$scratch/udevadm.calls"
  PATH="$scratch/fake-bin:$PATH" sh "$scratch/control/$1" "$2"
}
if [ -x "$scratch/control/postinst" ]; then
  run_control_script postinst configure || fail "postinst configure fails when udevadm does"
  grep -qx 'control --reload-rules' "$scratch/udevadm.calls" || fail "postinst does not reload the udev rules"
  grep -q '^trigger .*--subsystem-match=usb' "$scratch/udevadm.calls" ||
    fail "postinst does not apply the rules to plugged-in USB devices"
  grep -q '^trigger .*--subsystem-match=tty' "$scratch/udevadm.calls" ||
    fail "postinst does not apply the rules to serial ports"
fi
if [ -x "$scratch/control/postrm" ]; then
  run_control_script postrm remove || fail "postrm remove fails when udevadm does"
  grep -qx 'control --reload-rules' "$scratch/udevadm.calls" || fail "postrm does not reload the udev rules"
fi

# --- Where the files land ----------------------------------------------------------------------
root=$scratch/root
dpkg-deb -x "$deb" "$root"
step "unpacked into $root"
# The unpacked programs run in a private home, so that nothing of this machine's user is read
# or written, on the offscreen platform.
home=$scratch/home
mkdir -p "$home/config" "$home/data" "$home/cache" "$home/runtime"
chmod 700 "$home/runtime"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data \
  XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=offscreen

expected=(usr/lib/udev/rules.d/60-zandorex-programmer.rules
  usr/share/zandorex-programmer/tooltips.txt
  "usr/share/applications/$app_id.desktop"
  "usr/share/metainfo/$app_id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg")
for command in "${commands[@]}"; do
  expected+=("usr/bin/$command" "usr/share/man/man1/$command.1.gz")
done
for size in "${icon_sizes[@]}"; do
  expected+=("usr/share/icons/hicolor/${size}x$size/apps/$app_id.png")
done
# Every picture the build renders for the program.
pictures=()
for picture in "$build"/bin/Images/*; do
  pictures+=("$(basename "$picture")")
  expected+=("usr/share/zandorex-programmer/Images/$(basename "$picture")")
done
[ ${#pictures[@]} -gt 0 ] || fail "the build tree has no pictures in $build/bin/Images"
for path in "${expected[@]}"; do
  [ -f "$root/$path" ] || fail "missing /$path"
done
# Nothing else: no build or test leftovers, no /usr/local, no /etc.
(cd "$root" && find . -type f -printf '%P\n') | sort >"$scratch/files"
printf '%s\n' "${expected[@]}" | sort >"$scratch/expected"
unexpected=$(comm -23 "$scratch/files" "$scratch/expected")
[ -z "$unexpected" ] || fail "files the package should not hold: ${unexpected//$'\n'/ }"
cmp -s "$root/usr/share/zandorex-programmer/tooltips.txt" "$top/resources/tooltips.txt" ||
  fail "the packaged tooltips.txt differs from resources/tooltips.txt"

for command in "${commands[@]}"; do
  kind=$(file -b "$root/usr/bin/$command")
  case $kind in
    ELF*executable*stripped*) case $kind in *"not stripped"*) fail "/usr/bin/$command is not stripped" ;; esac ;;
    *) fail "/usr/bin/$command is not an executable: $kind" ;;
  esac
done
for size in "${icon_sizes[@]}"; do
  icon=usr/share/icons/hicolor/${size}x$size/apps/$app_id.png
  [ -f "$root/$icon" ] || continue
  grep -q "^PNG image data, $size x $size," <<<"$(file -b "$root/$icon")" ||
    fail "/$icon is not a ${size}x$size PNG: $(file -b "$root/$icon")"
done

# --- Desktop entry and AppStream metadata --------------------------------------------------------
desktop=$root/usr/share/applications/$app_id.desktop
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/usr/bin/$exec_name" ] || fail "the desktop entry runs '$exec_name', which the package lacks"
  icon_name=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg" ] ||
    fail "the desktop entry's icon '$icon_name' is not in the package"
fi
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo file"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo file does not launch $app_id.desktop"
fi

# --- udev rules ------------------------------------------------------------------------------------
# Every USB CDC identifier the program recognises (device/streamenumeration.cpp) and both cable
# identifiers must get the seat user's access and ModemManager's hands off; and no rule may be
# about a device the program does not know.
rules=$root/usr/lib/udev/rules.d/60-zandorex-programmer.rules
cdc_ids=$(sed -n '/kUsbCdcIdentifiers{/,/^};/p' "$top/device/streamenumeration.cpp" |
  sed -n 's/.*UsbCdcIdentifier{0x\([0-9A-Fa-f]\{4\}\), *0x\([0-9A-Fa-f]\{4\}\).*/\1:\2/p' | tr 'A-F' 'a-f')
[ -n "$cdc_ids" ] || fail "found no USB CDC identifiers in device/streamenumeration.cpp"
cable_ids="0403:7c48 0403:6015"
# rule_for SUBSYSTEM ATTR-KEY VID:PID: the rule lines of that subsystem whose patterns match.
rule_for() {
  local subsystem=$1 key=$2 vid=${3%:*} pid=${3#*:} line vendor product
  while IFS= read -r line; do
    [[ $line == *"SUBSYSTEM==\"$subsystem\""* ]] || continue
    [[ $line =~ $key\{idVendor\}==\"([^\"]+)\" ]] || continue
    vendor=${BASH_REMATCH[1]}
    [[ $line =~ $key\{idProduct\}==\"([^\"]+)\" ]] || continue
    product=${BASH_REMATCH[1]}
    # shellcheck disable=SC2053 # the rule's value is a glob
    [[ $vid == $vendor && $pid == $product ]] && printf '%s\n' "$line"
  done <"$rules"
}
has_rule() {
  local subsystem=$1 key=$2 id=$3 want=$4
  grep -qF "$want" <<<"$(rule_for "$subsystem" "$key" "$id")" ||
    fail "udev: no $subsystem rule for $id with $want"
}
if [ -f "$rules" ]; then
  for id in $cdc_ids; do
    has_rule tty ATTRS "$id" 'TAG+="uaccess"'
    has_rule tty ATTRS "$id" 'ENV{ID_MM_DEVICE_IGNORE}="1"'
    has_rule usb ATTR "$id" 'ENV{ID_MM_DEVICE_IGNORE}="1"'
  done
  for id in $cable_ids; do
    has_rule usb ATTR "$id" 'TAG+="uaccess"'
    has_rule usb ATTR "$id" 'ENV{ID_MM_DEVICE_IGNORE}="1"'
  done
  while IFS= read -r line; do
    [[ $line == '#'* ]] && continue
    [[ $line =~ idVendor\}==\"([^\"]+)\".*idProduct\}==\"([^\"]+)\" ]] || continue
    known=
    for id in $cdc_ids $cable_ids; do
      # shellcheck disable=SC2053
      [[ ${id%:*} == ${BASH_REMATCH[1]} && ${id#*:} == ${BASH_REMATCH[2]} ]] && known=yes
    done
    [ -n "$known" ] || fail "udev: a rule for a device the program does not know: $line"
  done <"$rules"
fi

# --- Manual pages ----------------------------------------------------------------------------------
# Rendered without line breaks, so that words are neither hyphenated nor split across lines;
# every option the command's own documentation names must reach its page.
render_page() {
  zcat "$root/usr/share/man/man1/$1.1.gz" |
    groff -man -Tascii -P-c -P-b -P-o -P-u -rLL=5000n -ww 2>"$scratch/$1.warnings"
}
check_page() {
  local command=$1 source_text=$2 page option
  [ -f "$root/usr/share/man/man1/$command.1.gz" ] || return 0
  page=$(render_page "$command") || { fail "groff cannot render $command(1)"; return; }
  [ ! -s "$scratch/$command.warnings" ] ||
    fail "groff warns about $command(1): $(head -3 "$scratch/$command.warnings")"
  grep -q '^NAME' <<<"$page" || fail "$command(1) has no NAME section"
  grep -q '^SYNOPSIS' <<<"$page" || fail "$command(1) has no SYNOPSIS section"
  for option in $(printf '%s\n' "$source_text" | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$option" <<<"$page" || fail "$command(1) does not mention $option"
  done
  printf '%s\n' "$page" >"$scratch/$command.txt"
}
for command in zandorex-programmer zanprog zanprog-devsim; do
  help=$("$root/usr/bin/$command" --help 2>/dev/null) || fail "$command --help failed"
  check_page "$command" "$help"
done
# The README's "Layout" describes the sources and stays out of the page.
remover_readme=$(awk '/^## /{skip = ($0 ~ /^## Layout/)} !skip' "$top/driver-remover/README.md")
check_page driver-remover "$remover_readme"
if [ -f "$scratch/driver-remover.txt" ]; then
  for section in $(printf '%s\n' "$remover_readme" | sed -n 's/^## \([A-Za-z ]*\).*/\1/p' | tr 'a-z ' 'A-Z_'); do
    grep -q "^${section//_/ }" "$scratch/driver-remover.txt" || fail "driver-remover(1) lacks the section ${section//_/ }"
  done
  grep -q '^LAYOUT' "$scratch/driver-remover.txt" && fail "driver-remover(1) holds the README's source layout"
  grep -qF DRIVER_REMOVER_STORE "$scratch/driver-remover.txt" || fail "driver-remover(1) does not explain DRIVER_REMOVER_STORE"
fi

# --- The unpacked programs run -------------------------------------------------------------------
reported=$("$root/usr/bin/zandorex-programmer" --version 2>/dev/null) || fail "zandorex-programmer --version failed"
[ "$reported" = "zandorex-programmer $version" ] ||
  fail "zandorex-programmer --version says '$reported', the package is $version"
set +e
"$root/usr/bin/driver-remover" >"$scratch/remover.out" 2>&1
status=$?
set -e
if [ $status -ne 1 ] || ! grep -q 'missing argument' "$scratch/remover.out"; then
  fail "driver-remover without arguments: status $status, $(head -1 "$scratch/remover.out")"
fi

share=$root/usr/share/zandorex-programmer
tooltips=$share/tooltips.txt
window_icon=$share/Images/ZandorexProgrammer.png

# The access time of a file shows whether the program read it, unless the file system does not
# keep access times; find out on a file of our own first.
old_atime() { touch -a -d '2000-01-01 00:00:00' "$@"; }
atime() { stat -c %X "$1"; }
probe=$scratch/atime-probe
echo probe >"$probe"
old_atime "$probe"
before=$(atime "$probe")
cat "$probe" >/dev/null
atimes_kept=
[ "$(atime "$probe")" != "$before" ] && atimes_kept=yes

# start_program OUTPUT: the desktop program on the offscreen platform, in the background.
start_program() {
  "$root/usr/bin/zandorex-programmer" >"$1" 2>"$1.stderr" &
  program_pid=$!
}
stop_program() {
  kill -TERM "$program_pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=
}
# wait_for SECONDS COMMAND...: until COMMAND succeeds or the time is up.
wait_for() {
  local tenths=$(($1 * 10))
  shift
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    kill -0 "$program_pid" 2>/dev/null || { "$@"; return; }
    sleep 0.1
  done
  return 1
}
read_since_start() { [ "$(atime "$tooltips")" != "$tooltips_before" ] && [ "$(atime "$window_icon")" != "$icon_before" ]; }
reports_failures() { grep -q '^Error: failed to load' "$scratch/missing.out"; }

step "starting the unpacked program offscreen"
old_atime "$tooltips" "$window_icon"
tooltips_before=$(atime "$tooltips")
icon_before=$(atime "$window_icon")
start_program "$scratch/start.out"
if [ -n "$atimes_kept" ]; then
  if ! wait_for 30 read_since_start; then
    [ "$(atime "$tooltips")" != "$tooltips_before" ] || fail "the program did not read $tooltips"
    [ "$(atime "$window_icon")" != "$icon_before" ] || fail "the program did not read $window_icon"
  fi
else
  echo "package-check: this file system keeps no access times; only error lines are checked"
fi
sleep 1 # the window's other pictures
kill -0 "$program_pid" 2>/dev/null || fail "the program ended at start: $(cat "$scratch/start.out.stderr")"
stop_program
if grep -q '^Error: failed to load' "$scratch/start.out"; then
  fail "the unpacked program misses pictures: $(grep '^Error: failed to load' "$scratch/start.out" | head -3)"
fi

# The same start without the data files must report them missing: proof that the first run
# looked at the unpacked share/ folder and nothing else, such as the build tree.
mv "$share" "$scratch/share-aside"
start_program "$scratch/missing.out"
wait_for 30 reports_failures || fail "without share/zandorex-programmer the program reports no missing picture"
stop_program
mv "$scratch/share-aside" "$share"

if [ $failures -ne 0 ]; then
  echo "package-check: $failures check(s) failed" >&2
  exit 1
fi
step "all checks passed"
