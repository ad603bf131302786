#!/usr/bin/env bash
# Mining time and peak memory of `carmaseq mine` on the shared public data sets, as a Markdown
# table on standard output. The whole process is measured under /usr/bin/time -v: reading the
# input, mining, storing the dictionary and building its lattice (no output file is written).
# Each run is repeated and the fastest wall-clock time is kept, with the CPU time and peak
# resident memory of that run; the CPU time shows how much of the wall time a busy machine took.
#
# Usage: scripts/bench-mining.sh [BUILD_DIR]   (default build/release; build the carmaseq target
# there first, e.g. cmake --preset release && cmake --build build/release --target carmaseq_program)
# CARMASEQ=path/to/carmaseq overrides the program; DATA=dir overrides ../shared/data;
# REPEAT=n sets the runs per row (default 3).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
program=${CARMASEQ:-$build/tools/carmaseq/carmaseq}
data=${DATA:-$root/../shared/data}
repeat=${REPEAT:-3}

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
quest=quest10k/quest_C10_T2.5_S4_I1.25_D10K.spmf.txt

# name | file under $data | min support | max items | target seconds (or -) | extra options
# The targets are a third of what a widely used Java miner takes for the same sequences.
runs=(
  "zaki|zaki/zaki.spmf.txt|0.4|9|-|--format spmf"
  "groceries|groceries/groceries.spmf.txt|0.01|9|-|--format spmf"
  "groceries|groceries/groceries.spmf.txt|0.005|9|0.21|--format spmf"
  "groceries|groceries/groceries.spmf.txt|0.002|9|-|--format spmf"
  "groceries (CSV)|groceries/Groceries_dataset.csv|0.005|9|0.21|${groceries_csv[*]}"
  "bms1|bms1/bms1.spmf.txt|0.002|9|-|--format spmf"
  "bms1|bms1/bms1.spmf.txt|0.001|9|0.45|--format spmf"
  "sign|sign/sign.spmf.txt|0.3|9|-|--format spmf"
  "sign|sign/sign.spmf.txt|0.2|9|-|--format spmf"
  "quest10k|$quest|0.03|9|-|--format spmf"
  "quest10k|$quest|0.02|9|6.4|--format spmf"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seconds in a GNU time duration such as "0:00.27" or "1:02:03".
to_seconds() { awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }' <<<"$1"; }
# The value of one "Name: value" line of a /usr/bin/time -v report.
report_value() { sed -n "s/^[[:space:]]*$1: //p" "$work/time"; }

# Runs one row once; sets seconds, cpu, kib and sequences.
measure() {
  local file=$1 support=$2 items=$3 extra=$4
  # shellcheck disable=SC2086  # extra holds several options
  if ! /usr/bin/time -v -o "$work/time" "$program" mine "$file" $extra \
      --min-support "$support" --max-items "$items" >"$work/log" 2>&1; then
    echo "bench-mining: $file at $support failed:" >&2
    cat "$work/log" >&2
    exit 1
  fi
  seconds=$(to_seconds "$(report_value 'Elapsed (wall clock) time (h:mm:ss or m:ss)')")
  cpu=$(awk -v u="$(report_value 'User time (seconds)')" -v s="$(report_value 'System time (seconds)')" \
    'BEGIN { print u + s }')
  kib=$(report_value 'Maximum resident set size (kbytes)')
  sequences=$(sed -n 's/^mined \([0-9]*\) frequent sequences.*/\1/p' "$work/log")
}

echo "carmaseq mine, best of $repeat runs; $(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| data set | min support | max items | sequences | seconds | CPU seconds | peak MiB | target |"
echo "|---|---:|---:|---:|---:|---:|---:|---|"
for run in "${runs[@]}"; do
  IFS='|' read -r name file support items target extra <<<"$run"
  if [[ ! -f $data/$file ]]; then
    echo "bench-mining: skipping $name: $data/$file not found" >&2
    continue
  fi
  best=
  for ((i = 0; i < repeat; i++)); do
    measure "$data/$file" "$support" "$items" "$extra"
    if [[ -z $best ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds best_cpu=$cpu best_kib=$kib
    fi
  done
  verdict=
  if [[ $target != - ]]; then
    verdict=$(awk -v s="$best" -v t="$target" 'BEGIN { print (s < t ? "< " t " s: met" : "< " t " s: MISSED") }')
  fi
  printf "| %s | %s | %s | %s | %s | %s | %.1f | %s |\n" "$name" "$support" "$items" \
    "${sequences:-?}" "$best" "$best_cpu" "$(awk -v k="$best_kib" 'BEGIN { print k / 1024 }')" \
    "$verdict"
done
echo
echo "Sequences are the non-empty frequent sequences; the empty sequence held at level 0 is not counted."
