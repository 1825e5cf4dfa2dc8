#!/usr/bin/env bash
# Installs what building, testing and running need on Debian 12. Does
# nothing (no root, no network) when every package is installed already.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev zlib1g-dev libturbojpeg0-dev libsodium-dev libfec-dev libasio-dev
  libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  libopencv-dev
  libzint-dev libqrencode-dev
  dpkg-dev desktop-file-utils groff-base systemd lintian appstream
  xvfb xauth xdotool imagemagick poppler-utils fonts-dejavu-core
)
missing=()
for package in "${PACKAGES[@]}"; do
  if [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)" != "install ok installed" ]; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then exit 0; fi
echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
