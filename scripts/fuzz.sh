#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, ASan and UBSan in
# build-fuzz/ and runs each on its seed corpus for a bounded time.
#   scripts/fuzz.sh [SECONDS] [TARGET...]   default: 60 s each, every target fuzz/CMakeLists.txt names
# New corpus entries go to build-fuzz/corpus/TARGET (the committed corpus is
# only read); crash inputs to build-fuzz/artifacts/. Exits 1 if any target
# found a crash. docs/fuzzing.md says how to run a long campaign.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
shift || true
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
command -v clang++ >/dev/null || { echo "clang++ is missing: run scripts/install-deps.sh" >&2; exit 2; }

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSELLUX_FUZZ=ON -DTESSELLUX_BUILD_UI=OFF -DTESSELLUX_BUILD_TESTS=OFF -DTESSELLUX_BUILD_BENCH=OFF \
  "${launcher[@]}" >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then mapfile -t targets <"$BUILD_DIR/fuzz/targets.txt"; fi
cmake --build "$BUILD_DIR" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$BUILD_DIR/artifacts"
failed=()
for target in "${targets[@]}"; do
  mkdir -p "$BUILD_DIR/corpus/$target"
  log="$BUILD_DIR/artifacts/$target.log"
  echo "== fuzz_$target: $SECONDS_EACH s"
  if "$BUILD_DIR/fuzz/fuzz_$target" -max_total_time="$SECONDS_EACH" -timeout=60 -rss_limit_mb=2048 \
      -dict="fuzz/$target.dict" -artifact_prefix="$BUILD_DIR/artifacts/$target-" -print_final_stats=1 \
      "$BUILD_DIR/corpus/$target" "fuzz/$target/corpus" >"$log" 2>&1; then
    grep -E "^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)" "$log" || true
  else
    failed+=("$target")
    tail -n 60 "$log"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "crashes found by: ${failed[*]} (inputs in $BUILD_DIR/artifacts/)" >&2
  exit 1
fi
