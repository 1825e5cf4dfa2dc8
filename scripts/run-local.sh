#!/usr/bin/env bash
# Installs the packages, builds, starts a reference Code Generator on this
# machine (loopback only) and opens the program against it. Closing the
# window stops the Code Generator.
#   scripts/run-local.sh [COMPANY NAME]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=build scripts/build.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo

PORT=${TESSELLUX_PORT:-8877}
COMPANY=${1:-Example Company}
build/codegen/tessellux-codegen --bind 127.0.0.1 --port "$PORT" --company "$COMPANY" &
CODEGEN=$!
trap 'kill $CODEGEN 2>/dev/null || true' EXIT
build/ui/create-tessellux --discovery-address 127.0.0.1 --port "$PORT"
