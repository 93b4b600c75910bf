#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking kurvlab needs.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev libegl-mesa0
  libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-format libclang-rt-14-dev
  xvfb xauth libxcb1-dev
  ffmpeg poppler-utils python3 python3-ezdxf
  libavcodec-dev libavformat-dev libswscale-dev libavutil-dev
  libcoin-dev
  fonts-dejavu-core locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
