#!/usr/bin/env bash
# What each output of `carmaseq mine` costs over mining alone, and what carmaseq-score takes to
# load a lattice document, on the quest10k data set (../shared/data), as Markdown tables, for this
# build and (when there is one) an earlier program.
#
# For each output (--save, --lattice, --pmml, --rules-csv) the whole `mine` run is measured under
# /usr/bin/time -v and compared with `mine` alone of the same program: the extra peak memory per
# byte of the document, and the document's size over the extra time (wall clock and CPU), in
# MB/s. The programs run alternately, row by row (best of REPEAT each), so that a busy machine
# weighs on both alike; the summary then sets the earlier program's figures next to this one's and
# says whether both wrote the same bytes.
#
# Usage: scripts/bench-exports.sh [BUILD_DIR [BASE_BUILD_DIR]]
#   BUILD_DIR defaults to build/release. The earlier program is BEFORE=path (a carmaseq program;
#   default the build of the code before this work, /work/base/build/release/tools/carmaseq/
#   carmaseq, when present), or the one in BASE_BUILD_DIR; its carmaseq-score is the one beside
#   it (tools/score), when there is one. BEFORE= (empty) measures this build alone.
#   REPEAT=n runs per row (default 3); DATA=dir overrides ../shared/data; SUPPORT (0.01) and
#   ITEMS (31) set the mining; OUTPUTS ("save lattice pmml rules-csv") the outputs measured;
#   SCORE_SUPPORTS ("0.02 0.01", empty for none) the lattices that carmaseq-score loads.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
data=${DATA:-$root/../shared/data}
repeat=${REPEAT:-3}
support=${SUPPORT:-0.01}
items=${ITEMS:-31}
outputs=(${OUTPUTS:-save lattice pmml rules-csv})
score_supports=${SCORE_SUPPORTS-"0.02 0.01"}
input=$data/quest10k/quest_C10_T2.5_S4_I1.25_D10K.spmf.txt

# names[i], miners[i] (carmaseq) and scorers[i] (carmaseq-score, or empty) of each program.
names=(after)
build=${1:-$root/build/release}
miners=("$build/tools/carmaseq/carmaseq")
scorers=("$build/tools/score/carmaseq-score")
if [[ -n ${2:-} ]]; then
  before=$2/tools/carmaseq/carmaseq
else
  before=${BEFORE-/work/base/build/release/tools/carmaseq/carmaseq}
  [[ -n ${BEFORE:-} || -x $before ]] || before=
fi
if [[ -n $before ]]; then
  names+=(before)
  miners+=("$before")
  scorer=$(dirname "$before")/../score/carmaseq-score
  [[ -x $scorer ]] || scorer=
  scorers+=("$scorer")
fi
for i in "${!miners[@]}"; do
  if [[ ! -x ${miners[$i]} ]]; then
    echo "bench-exports: no carmaseq program at ${miners[$i]}; build it first" >&2
    exit 1
  fi
done
if [[ -n $score_supports && ! -x ${scorers[0]} ]]; then
  echo "bench-exports: no carmaseq-score in $build; build it first (or set SCORE_SUPPORTS=)" >&2
  exit 1
fi
if [[ ! -f $input ]]; then
  echo "bench-exports: no data at $input; nothing to measure" >&2
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

to_seconds() { awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }' <<<"$1"; }
report_value() { sed -n "s/^[[:space:]]*$1: //p" "$work/time"; }

# Runs a command once under GNU time; sets seconds, cpu and kib.
measure() {
  if ! /usr/bin/time -v -o "$work/time" "$@" >"$work/log" 2>&1; then
    echo "bench-exports: failed: $*" >&2
    cat "$work/log" >&2
    exit 1
  fi
  seconds=$(to_seconds "$(report_value 'Elapsed (wall clock) time (h:mm:ss or m:ss)')")
  cpu=$(awk -v u="$(report_value 'User time (seconds)')" -v s="$(report_value 'System time (seconds)')" \
    'BEGIN { print u + s }')
  kib=$(report_value 'Maximum resident set size (kbytes)')
}

# best[key] holds "seconds cpu kib" of the fastest run (by wall clock; CPU and memory are the
# least seen, as other processes only ever add to them).
declare -A best
keep() {
  local key=$1 old=${best[$1]:-}
  if [[ -z $old ]]; then
    best[$key]="$seconds $cpu $kib"
  else
    best[$key]=$(awk -v o="$old" -v s="$seconds" -v c="$cpu" -v k="$kib" 'BEGIN {
      split(o, a, " "); printf "%s %s %s", (s < a[1] ? s : a[1]), (c < a[2] ? c : a[2]), (k < a[3] ? k : a[3]) }')
  fi
}

# Row names; "alone" is mine without outputs. The first run of each document is kept to compare
# the programs' bytes.
rows=(alone "${outputs[@]}")
for ((r = 0; r < repeat; r++)); do
  for row in "${rows[@]}"; do
    for p in "${!miners[@]}"; do
      args=()
      [[ $row != alone ]] && args=("--$row" "$work/doc.$p")
      measure "${miners[$p]}" mine "$input" --min-support "$support" --max-items "$items" \
        --quiet "${args[@]}"
      keep "$p|$row"
      if [[ $row != alone ]]; then
        best["$p|$row|bytes"]=$(stat -c %s "$work/doc.$p")
        if ((r == 0)); then mv "$work/doc.$p" "$work/first.$p.$row"; else rm -f "$work/doc.$p"; fi
      fi
    done
  done
done

# Prints "MB/s-wall MB/s-cpu extra-bytes-per-byte" of program p's row.
figures() {
  local p=$1 row=$2 s c k s0 c0 k0
  read -r s c k <<<"${best[$p|$row]}"
  read -r s0 c0 k0 <<<"${best[$p|alone]}"
  awk -v s="$s" -v c="$c" -v k="$k" -v s0="$s0" -v c0="$c0" -v k0="$k0" \
    -v bytes="${best[$p|$row|bytes]}" 'BEGIN {
    ds = s - s0; dc = c - c0
    printf "%s %s %.2f", (ds > 0 ? sprintf("%.0f", bytes / 1e6 / ds) : "-"),
      (dc > 0 ? sprintf("%.0f", bytes / 1e6 / dc) : "-"), (k - k0) * 1024 / bytes }'
}

echo "carmaseq mine on quest10k at support $support, up to $items items; best of $repeat runs"
echo "($(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg))"
for p in "${!miners[@]}"; do echo "- ${names[$p]}: ${miners[$p]}"; done
echo
echo "| program | run | seconds | CPU s | peak MiB | document MB | extra bytes per byte | MB/s (wall) | MB/s (CPU) |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|"
for p in "${!miners[@]}"; do
  for row in "${rows[@]}"; do
    read -r s c k <<<"${best[$p|$row]}"
    if [[ $row == alone ]]; then
      printf "| %s | mine alone | %.2f | %.2f | %.0f | | | | |\n" "${names[$p]}" "$s" "$c" \
        "$(awk -v k="$k" 'BEGIN { print k / 1024 }')"
      continue
    fi
    read -r wall cpu_rate per_byte <<<"$(figures "$p" "$row")"
    printf "| %s | --%s | %.2f | %.2f | %.0f | %.1f | %s | %s | %s |\n" "${names[$p]}" "$row" "$s" \
      "$c" "$(awk -v k="$k" 'BEGIN { print k / 1024 }')" \
      "$(awk -v b="${best[$p|$row|bytes]}" 'BEGIN { print b / 1e6 }')" "$per_byte" "$wall" "$cpu_rate"
  done
done

if ((${#miners[@]} > 1)); then
  echo
  echo "| output | document MB | MB/s wall before | MB/s wall after | MB/s CPU before | MB/s CPU after | extra bytes per byte before | after | same bytes |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---|"
  for row in "${outputs[@]}"; do
    read -r wall0 cpu0 byte0 <<<"$(figures 1 "$row")"
    read -r wall1 cpu1 byte1 <<<"$(figures 0 "$row")"
    same=no
    cmp -s "$work/first.0.$row" "$work/first.1.$row" && same=yes
    printf "| --%s | %.1f | %s | %s | %s | %s | %s | %s | %s |\n" "$row" \
      "$(awk -v b="${best[0|$row|bytes]}" 'BEGIN { print b / 1e6 }')" "$wall0" "$wall1" "$cpu0" \
      "$cpu1" "$byte0" "$byte1" "$same"
  done
fi

[[ -z $score_supports ]] && exit 0
echo
echo "carmaseq-score loading a lattice document and scoring three records; best of $repeat runs"
echo
echo "| program | support | sequences | document MB | seconds | CPU s | peak MiB |"
echo "|---|---:|---:|---:|---:|---:|---:|"
printf 'id,sequence,returnType\n1,(78903)(47206),futureItems\n2,(30393 88925)(78903),futureItems\n3,(8163)(78903 88925),currentItems\n' >"$work/records.csv"
for s in $score_supports; do
  "${miners[0]}" mine "$input" --min-support "$s" --max-items "$items" \
    --lattice "$work/lattice.xml" >"$work/mine.log"
  sequences=$(sed -n 's/^mined \([0-9]*\) frequent sequences.*/\1/p' "$work/mine.log")
  unset best
  declare -A best
  for ((r = 0; r < repeat; r++)); do
    for p in "${!scorers[@]}"; do
      [[ -n ${scorers[$p]} ]] || continue
      measure "${scorers[$p]}" "$work/lattice.xml" "$work/records.csv"
      keep "$p"
    done
  done
  for p in "${!scorers[@]}"; do
    [[ -n ${scorers[$p]} ]] || continue
    read -r sec c k <<<"${best[$p]}"
    printf "| %s | %s | %s | %.1f | %.2f | %.2f | %.0f |\n" "${names[$p]}" "$s" \
      "$sequences" "$(awk -v x="$(stat -c %s "$work/lattice.xml")" 'BEGIN { print x / 1e6 }')" \
      "$sec" "$c" "$(awk -v k="$k" 'BEGIN { print k / 1024 }')"
  done
done
