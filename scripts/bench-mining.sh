#!/usr/bin/env bash
# Mining speed and memory of `carmaseq mine` on the shared public data sets, before and after a
# change, as a Markdown table on standard output. For every row the two programs run alternately
# in one loop (so a busy machine slows both alike), each run under /usr/bin/time -v, and the
# lowest of REPEAT runs is kept for each column:
#   process  - wall-clock seconds of the whole process (reading, mining, storing the dictionary,
#              building its lattice; no output file is written);
#   step     - the mining step as `mine` reports it ("mined ... in S s": mining, storing and the
#              lattice, without the reading);
#   peak     - the peak resident memory of that run.
# The new program runs with --threads 1 (per-core speed) and with --threads 0 (every core).
# Bytes per held sequence: the peak of the whole process over the sequences held, for the mined
# dictionary (the new program, one thread) and for a restored one (`carmaseq stats` on the model
# the new program saved, measured the same way).
#
# Usage: scripts/bench-mining.sh [BUILD_DIR]   (default build/release; build the carmaseq target
# there first, e.g. cmake --preset release && cmake --build build/release --target carmaseq_program)
# CARMASEQ=path overrides the new program; BEFORE=path the old one (default: the build of the code
# before this work, /work/base/build/release/tools/carmaseq/carmaseq, when present); DATA=dir
# overrides ../shared/data; REPEAT=n sets the runs per row and program (default 3); ONLY=regex
# keeps the rows whose "name support" matches (e.g. ONLY='quest10k 0.01').
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
program=${CARMASEQ:-$build/tools/carmaseq/carmaseq}
before=${BEFORE:-/work/base/build/release/tools/carmaseq/carmaseq}
data=${DATA:-$root/../shared/data}
repeat=${REPEAT:-3}

if [[ ! -x $program ]]; then
  echo "bench-mining: no carmaseq program at $program; build it first" >&2
  exit 1
fi
if [[ ! -x $before ]]; then
  echo "bench-mining: no earlier program at $before; comparing the program with itself" >&2
  before=$program
fi
if [[ ! -d $data ]]; then
  echo "bench-mining: no shared data at $data; nothing to measure" >&2
  exit 0
fi
if [[ ! -x /usr/bin/time ]]; then
  echo "bench-mining: /usr/bin/time (GNU time) is needed for the peak memory" >&2
  exit 1
fi

quest=quest10k/quest_C10_T2.5_S4_I1.25_D10K.spmf.txt

# name | file under $data | min support | max items
runs=(
  "groceries|groceries/groceries.spmf.txt|0.005|9"
  "groceries|groceries/groceries.spmf.txt|0.001|9"
  "bms1|bms1/bms1.spmf.txt|0.001|9"
  "bms1|bms1/bms1.spmf.txt|0.0008|9"
  "sign|sign/sign.spmf.txt|0.5|9"
  "quest10k|$quest|0.02|9"
  "quest10k|$quest|0.01|9"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seconds in a GNU time duration such as "0:00.27" or "1:02:03".
to_seconds() { awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }' <<<"$1"; }
# The value of one "Name: value" line of a /usr/bin/time -v report.
report_value() { sed -n "s/^[[:space:]]*$1: //p" "$work/time"; }
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# Runs a program once under GNU time; sets seconds, kib and log.
timed() {
  if ! /usr/bin/time -v -o "$work/time" "$@" >"$work/log" 2>&1; then
    echo "bench-mining: failed: $*" >&2
    cat "$work/log" >&2
    exit 1
  fi
  seconds=$(to_seconds "$(report_value 'Elapsed (wall clock) time (h:mm:ss or m:ss)')")
  kib=$(report_value 'Maximum resident set size (kbytes)')
}

# Runs `mine` once; sets seconds, kib, step and sequences.
mine() {
  local binary=$1 file=$2 support=$3 items=$4
  shift 4
  timed "$binary" mine "$file" --format spmf --min-support "$support" --max-items "$items" "$@"
  step=$(sed -n 's/^mined [0-9]* frequent sequences.* in \([0-9.]*\) s$/\1/p' "$work/log")
  sequences=$(sed -n 's/^mined \([0-9]*\) frequent sequences.*/\1/p' "$work/log")
}

# best_<side>_{process,step,kib}: each the lowest of a side's runs, taken on its own (the fastest
# process, the fastest step, the smallest peak), so that one slow part of a run spoils no other.
keep_best() {
  local side=$1 name value
  for name in process step kib; do
    case $name in
      process) value=$seconds ;;
      step) value=$step ;;
      kib) value=$kib ;;
    esac
    local best="best_${side}_${name}"
    if [[ -z ${!best:-} ]] || less_than "$value" "${!best}"; then
      printf -v "$best" %s "$value"
    fi
  done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }
per_held() { awk -v k="$1" -v n="$2" 'BEGIN { if (n > 0) printf "%.0f", k * 1024 / n; else print "-" }'; }

echo "carmaseq mine, best of $repeat alternating runs per program; $(nproc) CPUs, load average" \
  "$(cut -d' ' -f1-3 /proc/loadavg) at the start"
echo
echo "| data set | support | held | before: process s | step s | peak MiB | after, 1 thread: process s | step s | peak MiB | step speed-up | after, all cores: process s | step s | speed-up over 1 thread (step) | bytes/held mined | bytes/held restored |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for run in "${runs[@]}"; do
  IFS='|' read -r name file support items <<<"$run"
  if [[ -n ${ONLY:-} && ! "$name $support" =~ $ONLY ]]; then continue; fi
  if [[ ! -f $data/$file ]]; then
    echo "bench-mining: skipping $name: $data/$file not found" >&2
    continue
  fi
  for side in before one all; do unset "best_${side}_process" "best_${side}_step" "best_${side}_kib"; done
  held=
  for ((i = 0; i < repeat; i++)); do
    mine "$before" "$data/$file" "$support" "$items"
    keep_best before
    mine "$program" "$data/$file" "$support" "$items" --threads 1
    keep_best one
    held=$sequences
    mine "$program" "$data/$file" "$support" "$items" --threads 0
    keep_best all
  done
  # The restored dictionary: save once, then measure `stats` on it.
  mine "$program" "$data/$file" "$support" "$items" --save "$work/model.bin" --quiet
  restored_kib=
  for ((i = 0; i < repeat; i++)); do
    timed "$program" stats "$work/model.bin"
    if [[ -z $restored_kib ]] || less_than "$kib" "$restored_kib"; then restored_kib=$kib; fi
  done
  rm -f "$work/model.bin"
  # The empty sequence held at level 0 is not counted.
  printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s× | %s | %s | %s× | %s | %s |\n" \
    "$name" "$support" "$held" \
    "$best_before_process" "$best_before_step" "$(mib "$best_before_kib")" \
    "$best_one_process" "$best_one_step" "$(mib "$best_one_kib")" \
    "$(ratio "$best_before_step" "$best_one_step")" \
    "$best_all_process" "$best_all_step" "$(ratio "$best_one_step" "$best_all_step")" \
    "$(per_held "$best_one_kib" "$held")" "$(per_held "$restored_kib" "$held")"
done
echo
echo "Held: the non-empty frequent sequences. Each column is the best of its runs on its own. Steps"
echo "are as \`mine\` prints them (to 1 ms; an older program may print 0.01 s). Bytes per held"
echo "sequence: peak resident memory of the whole process over held sequences (lattice included;"
echo "restored: \`carmaseq stats\` on the saved model)."
