#!/usr/bin/env bash
# Installs what is missing, builds, starts a reference Code Generator on this
# machine (loopback only) and opens the program against it. Closing the
# window stops the Code Generator.
#   scripts/run-local.sh [COMPANY NAME]
# Environment:
#   TESSELLUX_PORT      port of the Code Generator, UDP and TCP (default 8877)
#   TESSELLUX_WORK_DIR  the program's working folder, where Tessellux.bmp,
#                       Quality.tmp and create-tessellux.ini go
#                       (default ${XDG_DATA_HOME:-~/.local/share}/Tessellux)
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE=$(pwd)
scripts/install-deps.sh
BUILD_DIR=build scripts/build.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo

PORT=${TESSELLUX_PORT:-8877}
COMPANY=${1:-Example Company}
WORK_DIR=${TESSELLUX_WORK_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/Tessellux}
mkdir -p "$WORK_DIR"
"$SOURCE/build/codegen/tessellux-codegen" --bind 127.0.0.1 --port "$PORT" --company "$COMPANY" &
CODEGEN=$!
trap 'kill $CODEGEN 2>/dev/null || true' EXIT
echo "Working folder: $WORK_DIR"
cd "$WORK_DIR"
"$SOURCE/build/ui/create-tessellux" --discovery-address 127.0.0.1 --port "$PORT"
