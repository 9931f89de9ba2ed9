#!/usr/bin/env bash
# Opening a saved search beside searching the same tree with the page cache warm, and
# saving it: several rounds each, medians. The export opened is ncdu's own ("ncdu -o")
# and Volra's ("Save search as"), both of the same tree.
#   bench/compare_open.sh TREE [ROUNDS]
# Make a tree first, e.g.: python3 ../shared/bench/mktree.py --files 908833 --seed 2 /tmp/tree
set -euo pipefail
tree=${1:?usage: compare_open.sh TREE [ROUNDS]}
rounds=${2:-5}
bin=${BUILD_DIR:-build}/bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ncdu -x -o "$work/ncdu.json" "$tree" 2>/dev/null
"$bin/scan_bench" "$tree" >/dev/null   # warm the cache

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
scan=(); save=(); open_ncdu=(); open_volra=()
for _ in $(seq "$rounds"); do
  scan+=("$("$bin/scan_bench" "$tree" | tail -n1 | awk '{print $5}')")
  r=$("$bin/open_bench" --save "$work/volra.json" "$tree" | tail -n1); save+=("$(echo "$r" | awk '{print $4}')")
  r=$("$bin/open_bench" "$work/ncdu.json" | tail -n1); open_ncdu+=("$(echo "$r" | awk '{print $3}')")
  last=$("$bin/open_bench" "$work/volra.json" | tail -n1); open_volra+=("$(echo "$last" | awk '{print $3}')")
done
s=$(printf '%s\n' "${scan[@]}" | median)
w=$(printf '%s\n' "${save[@]}" | median)
n=$(printf '%s\n' "${open_ncdu[@]}" | median)
v=$(printf '%s\n' "${open_volra[@]}" | median)
read -r entries total _ _ rss <<<"$last"
echo "entries $entries total_bytes $total ncdu_export_bytes $(stat -c %s "$work/ncdu.json") volra_export_bytes $(stat -c %s "$work/volra.json")"
echo "search_median_s $s save_median_s $w open_ncdu_median_s $n open_volra_median_s $v"
awk -v s="$s" -v n="$n" -v v="$v" 'BEGIN {printf "open_ncdu/search %.3f open_volra/search %.3f\n", n / s, v / s}'
echo "open_peak_rss_bytes $rss"
