#!/usr/bin/env bash
# Installs what is missing, builds the four programs, `orv` and the demo
# movie (the tests, benchmarks and fuzz targets are left to scripts/test.sh),
# and opens the Player on the demo. Without a display it shows the demo with
# `orv`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target OrvPlayer OrvCreator OrvConverter OrvCompactor orv demo

demo="$PWD/build/demo/demo-zip.ovt"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/src/player/OrvPlayer "\"$demo\""
fi
echo "No display found: showing the demo movie with the command-line tool instead."
echo "(On a desktop: build/src/player/OrvPlayer \"$demo\")"
build/src/cli/orv info "$demo"
build/src/cli/orv frame "$demo" 0
