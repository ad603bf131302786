#!/usr/bin/env bash
# Runs every Google Benchmark program of a release build, then the mining timing table.
# Usage: scripts/run-bench.sh BUILD_DIR [benchmark options, e.g. --benchmark_filter=Get]
set -euo pipefail
build=${1:-build/release}
shift || true
found=0
for program in "$build"/bench/*_bench; do
  [[ -x "$program" ]] || continue
  found=1
  echo "== $(basename "$program")"
  "$program" "$@"
done
if [[ $found -eq 0 ]]; then
  echo "run-bench: no benchmark programs in $build/bench (configure with -DCARMASEQ_BUILD_BENCH=ON)" >&2
  exit 1
fi
echo "== carmaseq mine on the shared data sets"
"$(dirname "$0")/bench-mining.sh" "$build"
