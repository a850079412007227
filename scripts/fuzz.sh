#!/usr/bin/env bash
# Builds a libFuzzer target with clang and runs it for the given number of
# seconds on a scratch copy of its corpus. New crashes land as crash-*/oom-*
# files in the current folder.
#   scripts/fuzz.sh [reader|metafile] [seconds, default 600]
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-reader}
case "$target" in
    reader) max_len=4096 ;;
    metafile) max_len=16384 ;;
    *) echo "usage: $0 [reader|metafile] [seconds]" >&2; exit 2 ;;
esac
ORV_WITH_FUZZ=1 bash scripts/deps.sh
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORV_BUILD_GUI=OFF -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_FUZZ=ON -DORV_SANITIZE=ON
cmake --build build-fuzz -j"$(nproc)" --target "fuzz_$target"
corpus=$(mktemp -d)
cp fuzz/corpus/"$target"/* "$corpus"/
build-fuzz/fuzz/fuzz_"$target" -max_total_time="${2:-600}" -max_len="$max_len" -rss_limit_mb=2048 \
    -timeout=20 "$corpus"
