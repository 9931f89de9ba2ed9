#!/usr/bin/env bash
# Times Volra's walk beside du on the same tree, several rounds each, alternating, with
# the tree in the page cache. Prints the median wall times and the ratios.
#   bench/compare_scan.sh TREE [ROUNDS]
# Make a tree first, e.g.: python3 ../shared/bench/mktree.py --files 908833 --seed 2 /tmp/tree
set -euo pipefail
tree=${1:?usage: compare_scan.sh TREE [ROUNDS]}
rounds=${2:-5}
bin=${BUILD_DIR:-build}/bench/scan_bench
du -s --apparent-size -B1 "$tree" >/dev/null   # warm the cache

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
du_times=(); head_times=(); prog_times=(); last=""
for _ in $(seq "$rounds"); do
  s=$(date +%s.%N); du -s --apparent-size -B1 "$tree" >/dev/null; e=$(date +%s.%N)
  du_times+=("$(awk -v a="$s" -v b="$e" 'BEGIN {printf "%.3f", b - a}')")
  last=$("$bin" "$tree" | tail -n1); head_times+=("$(echo "$last" | awk '{print $5}')")
  p=$(QT_QPA_PLATFORM=offscreen "$bin" --progress "$tree" 2>/dev/null | tail -n1)
  prog_times+=("$(echo "$p" | awk '{print $5}')")
done
du_m=$(printf '%s\n' "${du_times[@]}" | median)
head_m=$(printf '%s\n' "${head_times[@]}" | median)
prog_m=$(printf '%s\n' "${prog_times[@]}" | median)
read -r entries dirs files total secs rss <<<"$last"
echo "entries $entries directories $dirs files $files total_bytes $total"
echo "du_median_s $du_m headless_median_s $head_m progress_median_s $prog_m"
awk -v d="$du_m" -v h="$head_m" -v p="$prog_m" 'BEGIN {printf "headless/du %.3f progress/headless %.3f\n", h / d, p / h}'
echo "peak_rss_bytes $rss bytes_per_entry $(( rss / entries ))"
