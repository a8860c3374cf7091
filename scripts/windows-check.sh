#!/usr/bin/env bash
# Compiles the Windows code that builds without Qt with Debian's MinGW-w64 cross compiler and
# -Wall -Wextra -Werror: every translation unit of the driver removal tool, and the platform
# layer's Qt-free Windows files. Qt for MinGW is not packaged in Debian, so the rest of the
# Windows build is checked by reading.
#
# cJSON is not packaged for MinGW either: the tool is compiled against the packaged cJSON
# headers, and linked only when CJSON_MINGW_PREFIX names a cross-built cJSON (a prefix with
# include/cjson/cJSON.h and lib/libcjson.a), as driver-remover/README.md describes.
#
# Usage: scripts/windows-check.sh [OUTPUT_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$(mktemp -d "${TMPDIR:-/tmp}/zx-windows-check.XXXXXX")}
mkdir -p "$out"

cc=x86_64-w64-mingw32-gcc
cxx=x86_64-w64-mingw32-g++
if ! command -v "$cc" >/dev/null || ! command -v "$cxx" >/dev/null; then
  echo "windows-check: $cc and $cxx are needed (scripts/setup.sh installs them)" >&2
  exit 1
fi

# The packaged headers, without the rest of /usr/include, which is not for Windows.
cjson_include=$out/cjson-include
if [ -n "${CJSON_MINGW_PREFIX:-}" ]; then
  cjson_include=$CJSON_MINGW_PREFIX/include
else
  mkdir -p "$cjson_include/cjson"
  cp /usr/include/cjson/cJSON.h "$cjson_include/cjson/"
fi

flags=(-Wall -Wextra -Werror -DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0A00 -DNTDDI_VERSION=0x0A000003)
tool=$top/driver-remover
tool_sources=(main.c filter_file.c matcher.c report.c text_formats.c tool.c utf16.c
  win32_drivers.c win32_system.c)
objects=()
for source in "${tool_sources[@]}"; do
  object=$out/driver-remover-${source%.c}.o
  "$cc" -std=c11 "${flags[@]}" -I"$tool" -I"$cjson_include" -c "$tool/$source" -o "$object"
  objects+=("$object")
done
echo "windows-check: driver-remover: ${#tool_sources[@]} translation units compiled"

if [ -n "${CJSON_MINGW_PREFIX:-}" ]; then
  "$cc" -o "$out/driver-remover.exe" "${objects[@]}" \
    "$CJSON_MINGW_PREFIX/lib/libcjson.a" -lsetupapi -lshell32
  echo "windows-check: driver-remover: linked $out/driver-remover.exe"
else
  echo "windows-check: driver-remover: not linked (no CJSON_MINGW_PREFIX)"
fi

"$cxx" -std=c++20 "${flags[@]}" -I"$top" -c "$top/platform/taskbarprogress.cpp" \
  -o "$out/taskbarprogress.o"
echo "windows-check: platform: taskbarprogress.cpp compiled"
