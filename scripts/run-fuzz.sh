#!/usr/bin/env bash
# Runs every libFuzzer target of a build directory for a bounded time each.
# Usage: scripts/run-fuzz.sh BUILD_DIR SECONDS
#
# Targets are the executables named *_fuzz anywhere under BUILD_DIR. For a target NAME:
#   fuzz/corpus/NAME/   seed inputs (read only), when present
#   fuzz/NAME.dict      libFuzzer dictionary of tokens, when present
#   BUILD_DIR/fuzz-corpus/NAME/    the growing working corpus
#   BUILD_DIR/fuzz-findings/NAME/  crashing or leaking inputs, if any
# Exits non-zero when a target reports a finding.
set -euo pipefail

usage="usage: $0 BUILD_DIR SECONDS"
build=${1:?$usage}
seconds=${2:?$usage}
root=$(cd "$(dirname "$0")/.." && pwd)

mapfile -t targets < <(find "$build" -type f -name '*_fuzz' -perm -u+x | sort)
if [ "${#targets[@]}" -eq 0 ]; then
  echo "no *_fuzz executables under $build (configure with the fuzz preset)" >&2
  exit 1
fi

status=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus="$build/fuzz-corpus/$name"
  findings="$build/fuzz-findings/$name"
  mkdir -p "$corpus" "$findings"
  args=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/")
  if [ -f "$root/fuzz/$name.dict" ]; then args+=(-dict="$root/fuzz/$name.dict"); fi
  dirs=("$corpus")
  if [ -d "$root/fuzz/corpus/$name" ]; then dirs+=("$root/fuzz/corpus/$name"); fi
  echo "== $name: fuzzing for $seconds s"
  if "$target" "${args[@]}" "${dirs[@]}"; then
    echo "== $name: no finding"
  else
    echo "== $name: FINDING, inputs in $findings" >&2
    status=1
  fi
done
exit "$status"
