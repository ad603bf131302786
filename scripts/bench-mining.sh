#!/usr/bin/env bash
# Mining time and peak memory of `carmaseq mine` on the shared public data sets, as a Markdown
# table on standard output. The whole process is measured: reading the input, mining, storing
# the dictionary and building its lattice.
#
# Usage: scripts/bench-mining.sh [BUILD_DIR]   (default build/release; build the carmaseq target
# there first, e.g. cmake --preset release && cmake --build build/release --target carmaseq_program)
# CARMASEQ=path/to/carmaseq overrides the program; DATA=dir overrides ../shared/data.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
program=${CARMASEQ:-$build/tools/carmaseq/carmaseq}
data=${DATA:-$root/../shared/data}

if [[ ! -x $program ]]; then
  echo "bench-mining: no carmaseq program at $program; build it first" >&2
  exit 1
fi
if [[ ! -d $data ]]; then
  echo "bench-mining: no shared data at $data; nothing to measure" >&2
  exit 0
fi
if [[ ! -x /usr/bin/time ]]; then
  echo "bench-mining: /usr/bin/time (GNU time) is needed for the peak memory" >&2
  exit 1
fi

groceries_csv=(--format csv --customer-column Member_number --time-column Date
               --item-column itemDescription --time-format %d-%m-%Y)

# name | file under $data | min support | max items | extra options
runs=(
  "groceries|groceries/groceries.spmf.txt|0.01|9|--format spmf"
  "groceries|groceries/groceries.spmf.txt|0.005|9|--format spmf"
  "groceries|groceries/groceries.spmf.txt|0.002|9|--format spmf"
  "groceries (CSV)|groceries/Groceries_dataset.csv|0.005|9|${groceries_csv[*]}"
  "bms1|bms1/bms1.spmf.txt|0.002|9|--format spmf"
  "bms1|bms1/bms1.spmf.txt|0.001|9|--format spmf"
  "quest10k|quest10k/quest_C10_T2.5_S4_I1.25_D10K.spmf.txt|0.03|9|--format spmf"
  "quest10k|quest10k/quest_C10_T2.5_S4_I1.25_D10K.spmf.txt|0.02|9|--format spmf"
)

log=$(mktemp)
trap 'rm -f "$log"' EXIT

echo "| data set | min support | max items | sequences | seconds | peak MiB |"
echo "|---|---:|---:|---:|---:|---:|"
for run in "${runs[@]}"; do
  IFS='|' read -r name file support items extra <<<"$run"
  if [[ ! -f $data/$file ]]; then
    echo "bench-mining: skipping $name: $data/$file not found" >&2
    continue
  fi
  # shellcheck disable=SC2086  # extra holds several options
  /usr/bin/time -f "%e %M" -o "$log.time" "$program" mine "$data/$file" $extra \
    --min-support "$support" --max-items "$items" >"$log" 2>&1 || {
    echo "bench-mining: $name at $support failed:" >&2
    cat "$log" >&2
    exit 1
  }
  sequences=$(sed -n 's/^mined \([0-9]*\) frequent sequences.*/\1/p' "$log")
  read -r seconds kib <"$log.time"
  printf "| %s | %s | %s | %s | %s | %.1f |\n" "$name" "$support" "$items" "${sequences:-?}" \
    "$seconds" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')"
done
rm -f "$log.time"
