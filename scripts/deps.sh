#!/usr/bin/env bash
# Installs the Debian 12 packages the suite needs to build, test and run,
# skipping those already present. Run as root or with sudo available.
set -euo pipefail

# What building and running the suite needs.
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev qt6-image-formats-plugins qt6-translations-l10n libgl-dev
    libzip-dev libdeflate-dev zlib1g-dev liblzma-dev
    fonts-liberation
    libgif-dev libncurses-dev
    libwmf-dev libemf2svg-dev
    # libwmf cannot start without its fonts, even for a drawing with no text.
    fonts-urw-base35
    # Video in and out: FFmpeg's libraries (H.264 and VP9 encoders come with
    # libavcodec).
    libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
)
# What the tests and benchmarks use besides: `orv play` is driven through
# tmux, the web-page export is tried in a real browser, the Compactor is
# compared with zip and unzip, and the ffmpeg command makes the benchmark's
# clips.
if [ "${ORV_WITH_TESTS:-0}" = 1 ]; then
    packages+=(tmux chromium zip unzip ffmpeg)
fi
# Building and checking the Debian package.
if [ "${ORV_WITH_PACKAGE:-0}" = 1 ]; then
    packages+=(dpkg-dev file bash-completion desktop-file-utils appstream man-db lintian)
fi
if [ "${ORV_WITH_FUZZ:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
