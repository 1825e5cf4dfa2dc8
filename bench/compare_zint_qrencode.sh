#!/bin/bash
# Whole-process comparison: tessellux-codegen encode against Debian's zint
# (Data Matrix) and qrencode (QR), the same 1,000- and 2,000-byte payloads
# (upper-case letters and digits) written to a bitmap. The cost per payload
# byte above process start is (t(2000) - t(1000)) / 1000, from the median and
# minimum wall time and from the mean CPU time (user + system), which a busy
# machine disturbs least.
#
# Usage: bench/compare_zint_qrencode.sh [path/to/tessellux-codegen]
# Needs hyperfine, zint and qrencode; writes only into a temporary folder.
set -euo pipefail

codegen=${1:-build/codegen/tessellux-codegen}
codegen=$(realpath "$codegen")
for tool in hyperfine zint qrencode "$codegen"; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Same payload generator as the Google Benchmark: letters and digits.
python3 -c '
import random
random.seed(42)
for size in (1000, 2000):
    text = "".join(random.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") for _ in range(size))
    open(f"p{size}.txt", "w").write(text)
'

run() {  # name, command with {size}
  hyperfine --warmup 10 --runs 200 -N --export-json "$1.json" --parameter-list size 1000,2000 "$2" >/dev/null 2>&1
  python3 - "$1" <<'PY'
import json, sys
name = sys.argv[1]
results = json.load(open(f"{name}.json"))["results"]
rows = {"wall median": lambda r: r["median"], "wall min": lambda r: r["min"],
        "cpu mean": lambda r: r["user"] + r["system"]}
for stat, pick in rows.items():
    t = {r["parameters"]["size"]: pick(r) for r in results}
    per_byte = (t["2000"] - t["1000"]) / 1000
    print(f"{name:<27} {stat:<11} 1000 B: {t['1000']*1e3:6.2f} ms  2000 B: {t['2000']*1e3:6.2f} ms"
          f"  per byte above start: {per_byte*1e6:6.3f} us")
PY
}

run "tessellux grid 3" "$codegen encode --grid 3 --text-file p{size}.txt -o t{size}.bmp"
run "tessellux grid 8 (default)" "$codegen encode --text-file p{size}.txt -o t{size}.bmp"
run "zint Data Matrix" "zint -b 71 --input p{size}.txt -o z{size}.bmp"
run "qrencode QR" "qrencode -r p{size}.txt -o q{size}.png"
