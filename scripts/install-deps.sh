#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang clang-format
  # libFuzzer and readable sanitizer stacks for scripts/fuzz.sh
  libclang-rt-14-dev llvm-14
  # libraries
  libcurl4-openssl-dev zlib1g-dev duktape-dev libssl-dev
  # Qt window
  qt6-base-dev qt6-webengine-dev qt6-image-formats-plugins libgl-dev
  # tests and the stand-in service
  libgtest-dev libgmock-dev libcpp-httplib-dev ca-certificates openssl
  # the download benchmark compares with the curl tool
  curl
  # driving the real window
  xvfb xauth xdotool xclip fonts-wqy-microhei ffmpeg
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# A fresh machine may have no package lists yet.
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
