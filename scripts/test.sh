#!/usr/bin/env bash
# Installs the packages, builds and runs every test.
#   scripts/test.sh              Release build in build/ (warnings are errors)
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"

if [ "${1:-}" = "--sanitize" ]; then
  export BUILD_DIR=build-asan
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/tests/lsan-suppressions.txt:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DTESSELLUX_WERROR=ON -DTESSELLUX_SANITIZE=ON -DTESSELLUX_BUILD_BENCH=OFF
else
  export BUILD_DIR=build
  # Release as users build it, with warnings as errors so none creeps in.
  scripts/build.sh -DCMAKE_BUILD_TYPE=Release -DTESSELLUX_WERROR=ON
fi
ctest --test-dir "$BUILD_DIR" --output-on-failure -j 2
