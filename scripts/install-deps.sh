#!/usr/bin/env bash
# Installs what building, testing and running need on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config \
  qt6-base-dev libturbojpeg0-dev libsodium-dev libfec-dev libasio-dev \
  libgtest-dev libbenchmark-dev clang libclang-rt-14-dev \
  dpkg-dev desktop-file-utils groff-base systemd \
  xvfb xauth xdotool imagemagick poppler-utils fonts-dejavu-core >/dev/null
