#!/usr/bin/env bash
# Builds the Debian packages create-tessellux and tessellux-codegen into
# BUILD_DIR (default build-deb/): an optimized build with Debian's hardening
# flags, installed under /usr. Extra arguments go to cmake.
# Install them with: sudo apt-get install ./build-deb/*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-deb}
flags() { dpkg-buildflags --get "$1"; }
CXXFLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" LDFLAGS="$(flags LDFLAGS) -Wl,-z,now" \
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DTESSELLUX_BUILD_TESTS=OFF -DTESSELLUX_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
rm -f "$BUILD_DIR"/*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
ls "$BUILD_DIR"/*.deb
