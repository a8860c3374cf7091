#!/usr/bin/env bash
# Builds the fuzz targets with clang, ASan and UBSan, and runs one of them.
# Usage: scripts/fuzz.sh                 list the targets
#        scripts/fuzz.sh TARGET [SECONDS] run fuzz-TARGET on its seed corpus (default 300 s),
#                                         with fuzz/*/TARGET.dict as dictionary when present
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" clang-16 libclang-rt-16-dev
build_dir=$top/build-fuzz
if [ ! -f "$build_dir/build.ninja" ]; then
  CC=clang-16 CXX=clang++-16 cmake -S "$top" -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZX_BUILD_FUZZERS=ON -DZX_BUILD_TESTS=OFF \
    -DZX_BUILD_BENCHMARKS=OFF -DZX_BUILD_GUI=OFF -DZX_SANITIZE=address,undefined
fi
cmake --build "$build_dir" --parallel "$(nproc)"

if [ $# -eq 0 ]; then
  find "$build_dir" -maxdepth 3 -type f -name 'fuzz-*' -perm -u+x -printf '%f\n' | sed 's/^fuzz-//' | sort
  exit 0
fi

target=$1
seconds=${2:-300}
binary=$(find "$build_dir" -type f -name "fuzz-$target" -perm -u+x | head -n 1)
[ -n "$binary" ] || { echo "no fuzz target named $target" >&2; exit 2; }
work=$(mktemp -d)
cp -r "$top/fuzz/corpus/$target/." "$work/" 2>/dev/null || true
mkdir -p "$top/fuzz/artifacts"
extra=(-max_len=65536)
dict=$(find "$top/fuzz" -name "$target.dict" | head -n 1)
[ -n "$dict" ] && extra+=(-dict="$dict")
"$binary" "$work" -max_total_time="$seconds" -artifact_prefix="$top/fuzz/artifacts/" \
  -print_final_stats=1 "${extra[@]}"
