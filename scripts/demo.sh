#!/usr/bin/env bash
# The main job end to end on built-in data, with no input from the user: generate a seeded data
# set of shoppers, mine it, write the PMML rules and lattice documents, show the top rules and
# predictions with item names, score a few customers through the scoring plug-in, and write the
# HTML report.
# Usage: scripts/demo.sh BUILD_DIR   (a release build; `make demo` builds it and calls this)
set -euo pipefail

build=$(cd "${1:-build/release}" && pwd)
carmaseq=$build/tools/carmaseq/carmaseq
score=$build/tools/score/carmaseq-score
out=$build/demo

if [[ ! -x $carmaseq ]]; then
  echo "demo: no carmaseq program in $build; build the release preset first" >&2
  exit 1
fi
rm -rf "$out"
mkdir -p "$out"
cd "$out"

section() { printf '\n== %s\n\n' "$*"; }
# Shows a command as one could type it (paths inside the build shortened), then runs it.
run() {
  local shown=() arg
  for arg in "$@"; do
    arg=${arg/#$carmaseq/carmaseq}
    arg=${arg/#$score/carmaseq-score}
    arg=${arg/#$build\//}
    [[ $arg =~ [^A-Za-z0-9_./=-] ]] && arg="'$arg'"
    shown+=("$arg")
  done
  printf '$ %s\n' "${shown[*]}"
  "$@"
}

# The first `sets` item sets of customer `n` (1-based) of an SPMF file, as "(1 2)(3)".
history_of() {
  awk -v n="$2" -v sets="$3" 'NR == n {
      h = ""; cur = ""; k = 0
      for (i = 1; i <= NF && k < sets; i++) {
        if ($i == "-1") { h = h "(" cur ")"; cur = ""; k++ }
        else if ($i == "-2") break
        else cur = (cur == "" ? $i : cur " " $i)
      }
      print h
    }' "$1"
}

section "1. Generate 2000 shoppers with planted buying patterns (seed 7)"
run "$carmaseq" generate shop.spmf.txt --customers 2000 --seed 7 --item-map items.tsv

section "2. Mine every sequence that at least 5% of the shoppers share"
run "$carmaseq" mine shop.spmf.txt --names items.tsv --min-support 0.05 \
  --pmml rules.pmml --lattice lattice.xml --save model.bin --rules-csv rules.csv

section "3. Top rules: confidence at least 0.9, by support"
run "$carmaseq" rules model.bin --names items.tsv --min-confidence 0.9 --sort support --top 8

section "4. What three shoppers buy next, from their first two visits"
shoppers=(2 3 5)
histories=()
for n in "${shoppers[@]}"; do histories+=("$(history_of shop.spmf.txt "$n" 2)"); done
args=()
for h in "${histories[@]}"; do args+=(--history "$h"); done
run "$carmaseq" predict model.bin --names items.tsv --top 3 "${args[@]}"

section "5. The same shoppers scored through the plug-in from the lattice document"
plugin=$(find "$build" -name 'libcarmaseq_scoring*.so' -print -quit)
if [[ ! -x $score || -z $plugin ]]; then
  echo "(carmaseq-score or the scoring plug-in is not in this build; skipped)"
else
  {
    echo "id,sequence,returnType,maxReturn"
    for i in 0 1 2; do echo "shopper ${shoppers[$i]},${histories[$i]},futureItems,3"; done
  } >records.csv
  run "$score" --plugin "$plugin" --output scores.csv lattice.xml records.csv
  # Show the scored items by name: "item:confidence:support:cause" groups become "name (conf)".
  awk -F'\t' 'NR == FNR { if (FNR > 1) name[$1] = $2; next }
    FNR == 1 { next }
    {
      split($0, f, ","); line = f[1] ":"
      n = split(f[3], groups, " ")
      for (i = 1; i <= n; i++) {
        split(groups[i], p, ":")
        line = line sprintf("  %s (%.2f)", (p[1] in name ? name[p[1]] : p[1]), p[2])
      }
      print line
    }' items.tsv scores.csv
fi

section "6. The rules and strongest sequences as one HTML page (opens offline)"
run "$carmaseq" report model.bin -o report.html

section "Files written to $out"
ls -l rules.pmml lattice.xml model.bin rules.csv items.tsv report.html
echo
echo "Report: $out/report.html"
echo
echo "Next: carmaseq stats $out/model.bin; carmaseq search $out/model.bin --names $out/items.tsv --contains '(fish)'"
