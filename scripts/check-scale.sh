#!/usr/bin/env bash
# Partitioned mining against mining all customers at once, through the commands a batch engine
# would run: partition, candidates (pass 1), count (pass 2) and merge. For each data set and
# number of partitions P it checks that the merged documents (PMML, lattice, rules CSV) are
# byte-identical to mine's, and times the passes: wall time, and CPU time (user + sys of the
# steps' processes), which other work on a shared machine disturbs less.
#   scripts/check-scale.sh BUILD_DIR                 the full grid on ../shared/data
#   scripts/check-scale.sh BUILD_DIR NAME...         its rows for these data sets only
#   scripts/check-scale.sh BUILD_DIR --small         a small generated case (run by the tests)
set -euo pipefail

build=${1:?usage: check-scale.sh BUILD_DIR [--small]}
carmaseq=$(cd "$build" && pwd)/tools/carmaseq/carmaseq
data=$(cd "$(dirname "$0")/../.." && pwd)/shared/data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
# Sets cpu_total to the CPU seconds (user + sys) of this shell's finished child processes so
# far; `times` must run in this shell, not in a subshell.
cpu() {
  times >"$work/times"
  cpu_total=$(awk 'NR == 2 { for (i = 1; i <= 2; i++) { split($i, t, "m"); s += t[1] * 60 + t[2] }
                             printf "%.2f", s }' "$work/times")
}
# "WALL s (CPU s)" of a step from its starting and ending now and cpu.
took() { printf '%s s (CPU %s s)' "$(elapsed "$1" "$2")" "$(elapsed "$3" "$4")"; }

# Options of the steps beyond the support (time constraints), set before each check.
merge_options=()
# Options of pass 1 alone: a lower item limit, which the merge checks was enough.
candidate_options=()
# Pass 1 stops with an error rather than swamp the machine.
max_memory=${CHECK_SCALE_MAX_MEMORY:-4G}

# check NAME INPUT SUPPORT "PARTITIONS..." [input options...]
check() {
  local name=$1 input=$2 support=$3 parts=$4
  shift 4
  local mined=$work/mined
  mkdir -p "$mined"
  local start end c0 c1
  start=$(now) && cpu && c0=$cpu_total
  "$carmaseq" mine "$input" "$@" "${merge_options[@]}" --min-support "$support" --quiet \
    --threads 1 --pmml "$mined/rules.pmml" --lattice "$mined/lattice.xml" \
    --rules-csv "$mined/rules.csv"
  end=$(now) && cpu && c1=$cpu_total
  printf '%-10s support %-6s mine: %s\n' "$name" "$support" "$(took "$start" "$end" "$c0" "$c1")"
  for p in $parts; do
    local run=$work/p$p
    rm -rf "$run" && mkdir -p "$run/parts"
    "$carmaseq" partition "$input" "$@" --partitions "$p" \
      --output-dir "$run/parts" >/dev/null
    local t0 t1 t2 t3 u0 u1 u2 u3
    t0=$(now) && cpu && u0=$cpu_total
    for part in "$run"/parts/part-*.txt; do
      "$carmaseq" candidates "$part" "${merge_options[@]}" "${candidate_options[@]}" \
        --min-support "$support" --threads 1 --max-memory "$max_memory" \
        --output "$part.cand" >/dev/null
    done
    t1=$(now) && cpu && u1=$cpu_total
    for part in "$run"/parts/part-*.txt; do
      "$carmaseq" count "$part" "${merge_options[@]}" --min-support "$support" --threads 1 \
        --output "$part.count" \
        $(printf -- '--candidates %s ' "$run"/parts/*.cand) >/dev/null
    done
    t2=$(now) && cpu && u2=$cpu_total
    local names=()
    [[ -f "$run/parts/items.tsv" ]] && names=(--names "$run/parts/items.tsv")
    "$carmaseq" merge "$run"/parts/*.count $(printf -- '--candidates %s ' "$run"/parts/*.cand) \
      "${merge_options[@]}" --min-support "$support" --quiet --pmml "$run/rules.pmml" \
      --lattice "$run/lattice.xml" --rules-csv "$run/rules.csv" "${names[@]}"
    t3=$(now) && cpu && u3=$cpu_total
    for f in rules.pmml lattice.xml rules.csv; do
      if ! cmp -s "$mined/$f" "$run/$f"; then
        echo "check-scale: $name at $support with $p partitions: $f differs from mine's" >&2
        exit 1
      fi
    done
    local candidates
    candidates=$(cat "$run"/parts/*.cand | wc -c)
    printf '%-10s support %-6s P=%-3s pass 1: %s  pass 2: %s  merge: %s  candidate bytes: %s  identical\n' \
      "$name" "$support" "$p" "$(took "$t0" "$t1" "$u0" "$u1")" "$(took "$t1" "$t2" "$u1" "$u2")" \
      "$(took "$t2" "$t3" "$u2" "$u3")" "$candidates"
  done
}

if [[ "${2:-}" == "--small" ]]; then
  "$carmaseq" generate "$work/shop.txt" --customers 120 --seed 7 >/dev/null
  check generated "$work/shop.txt" 0.2 "1 3" --format spmf
  candidate_options=(--max-items 7)  # its longest frequent sequences have 6 items
  check shorter "$work/shop.txt" 0.2 "2" --format spmf
  candidate_options=()
  merge_options=(--max-gap 2 --window 4)
  check gaps "$work/shop.txt" 0.1 "2" --format spmf
  exit 0
fi

# Returns true iff the data set NAME is to be checked.
wanted() { [[ ${#sets[@]} -eq 0 || " ${sets[*]} " == *" $1 "* ]]; }
sets=("${@:2}")

if wanted groceries; then
  check groceries "$data/groceries/Groceries_dataset.csv" 0.005 "1 2 4 16" --format csv \
    --customer-column Member_number --time-column Date --item-column itemDescription \
    --time-format %d-%m-%Y
fi
# BMS1 holds a few dozen near-identical click sessions of 100 to 270 pages. Partitions of 3,700
# customers (P=16) have a threshold of 4, at which the sequences that four such sessions share
# are locally frequent: far too many of up to 9 items. Its longest frequent sequences have 6
# items, so pass 1 stops at 7, and the merge checks that no sequence of 7 items is frequent.
candidate_options=(--max-items 7)
if wanted bms1; then
  check bms1 "$data/bms1/bms1.spmf.txt" 0.001 "1 2 4 16" --format spmf
fi
candidate_options=()
if wanted quest10k; then
  check quest10k "$data/quest10k/quest_C10_T2.5_S4_I1.25_D10K.spmf.txt" 0.02 "1 2 4 16" \
    --format spmf
fi
