#!/usr/bin/env bash
# Builds the reader's libFuzzer target with clang and runs it for the given
# number of seconds (default 600) on a scratch copy of the corpus. New
# crashes land as crash-*/oom-* files in the current folder.
set -euo pipefail
cd "$(dirname "$0")/.."
ORV_WITH_FUZZ=1 bash scripts/deps.sh
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORV_BUILD_GUI=OFF -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_FUZZ=ON -DORV_SANITIZE=ON
cmake --build build-fuzz -j"$(nproc)" --target fuzz_reader
corpus=$(mktemp -d)
cp fuzz/corpus/reader/* "$corpus"/
build-fuzz/fuzz/fuzz_reader -max_total_time="${1:-600}" -max_len=4096 -rss_limit_mb=2048 "$corpus"
