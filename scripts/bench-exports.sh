#!/usr/bin/env bash
# What each output of `carmaseq mine` costs over mining alone, and what carmaseq-score takes to
# load a lattice document, on the quest10k data set (../shared/data), as Markdown tables.
#
# For each output (--save, --lattice, --pmml, --rules-csv) the whole `mine` run is measured under
# /usr/bin/time -v and compared with `mine` alone: the extra peak memory per byte of the document,
# and the document's size over the extra time (wall clock and CPU), in MB/s. Runs of the builds
# alternate (best of REPEAT each), so that a busy machine weighs on both alike.
#
# Usage: scripts/bench-exports.sh [BUILD_DIR [BASE_BUILD_DIR]]
#   BUILD_DIR defaults to build/release; BASE_BUILD_DIR, when given, is measured alongside (e.g.
#   the build before a change). REPEAT=n runs per row (default 3); DATA=dir overrides
#   ../shared/data; SUPPORT (0.01) and ITEMS (31) set the mining; SCORE_SUPPORTS ("0.02 0.01")
#   the lattices that carmaseq-score loads.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
builds=("${1:-$root/build/release}")
[[ -n ${2:-} ]] && builds+=("$2")
data=${DATA:-$root/../shared/data}
repeat=${REPEAT:-3}
support=${SUPPORT:-0.01}
items=${ITEMS:-31}
score_supports=${SCORE_SUPPORTS:-"0.02 0.01"}
input=$data/quest10k/quest_C10_T2.5_S4_I1.25_D10K.spmf.txt

for build in "${builds[@]}"; do
  for program in tools/carmaseq/carmaseq tools/score/carmaseq-score; do
    if [[ ! -x $build/$program ]]; then
      echo "bench-exports: no $program in $build; build it first" >&2
      exit 1
    fi
  done
done
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

outputs=("mine alone|" "--save (binary)|--save" "--lattice|--lattice" "--pmml|--pmml"
         "--rules-csv|--rules-csv")
for ((i = 0; i < repeat; i++)); do
  for b in "${!builds[@]}"; do
    for output in "${outputs[@]}"; do
      IFS='|' read -r name option <<<"$output"
      args=()
      [[ -n $option ]] && args=("$option" "$work/doc.$b")
      measure "${builds[$b]}/tools/carmaseq/carmaseq" mine "$input" --min-support "$support" \
        --max-items "$items" --quiet "${args[@]}"
      keep "$b|$name"
      [[ -n $option ]] && best["$b|$name|bytes"]=$(stat -c %s "$work/doc.$b")
      rm -f "$work/doc.$b"
    done
  done
done

echo "carmaseq mine on quest10k at support $support, up to $items items; best of $repeat runs"
echo "($(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg))"
echo
echo "| build | run | seconds | CPU s | peak MiB | document MB | extra bytes per byte | MB/s (wall) | MB/s (CPU) |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|"
for b in "${!builds[@]}"; do
  read -r s0 c0 k0 <<<"${best[$b|mine alone]}"
  for output in "${outputs[@]}"; do
    IFS='|' read -r name option <<<"$output"
    read -r s c k <<<"${best[$b|$name]}"
    bytes=${best[$b|$name|bytes]:-0}
    awk -v b="${builds[$b]}" -v n="$name" -v s="$s" -v c="$c" -v k="$k" \
      -v s0="$s0" -v c0="$c0" -v k0="$k0" -v bytes="$bytes" 'BEGIN {
      if (bytes == 0) { printf "| %s | %s | %.2f | %.2f | %.0f | | | | |\n", b, n, s, c, k / 1024; exit }
      ds = s - s0; dc = c - c0
      printf "| %s | %s | %.2f | %.2f | %.0f | %.1f | %.2f | %s | %s |\n", b, n, s, c, k / 1024,
        bytes / 1e6, (k - k0) * 1024 / bytes,
        (ds > 0 ? sprintf("%.0f", bytes / 1e6 / ds) : "-"), (dc > 0 ? sprintf("%.0f", bytes / 1e6 / dc) : "-") }'
  done
done

echo
echo "carmaseq-score loading a lattice document and scoring three records; best of $repeat runs"
echo
echo "| build | support | sequences | document MB | seconds | CPU s | peak MiB |"
echo "|---|---:|---:|---:|---:|---:|---:|"
printf 'id,sequence,returnType\n1,(78903)(47206),futureItems\n2,(30393 88925)(78903),futureItems\n3,(8163)(78903 88925),currentItems\n' >"$work/records.csv"
for s in $score_supports; do
  "${builds[0]}/tools/carmaseq/carmaseq" mine "$input" --min-support "$s" --max-items "$items" \
    --lattice "$work/lattice.xml" >"$work/mine.log"
  sequences=$(sed -n 's/^mined \([0-9]*\) frequent sequences.*/\1/p' "$work/mine.log")
  unset best
  declare -A best
  for ((i = 0; i < repeat; i++)); do
    for b in "${!builds[@]}"; do
      measure "${builds[$b]}/tools/score/carmaseq-score" "$work/lattice.xml" "$work/records.csv"
      keep "$b"
    done
  done
  for b in "${!builds[@]}"; do
    read -r sec c k <<<"${best[$b]}"
    printf "| %s | %s | %s | %.1f | %.2f | %.2f | %.0f |\n" "${builds[$b]}" "$s" \
      "$sequences" "$(awk -v x="$(stat -c %s "$work/lattice.xml")" 'BEGIN { print x / 1e6 }')" \
      "$sec" "$c" "$(awk -v k="$k" 'BEGIN { print k / 1024 }')"
  done
done
