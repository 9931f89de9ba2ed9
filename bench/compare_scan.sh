#!/usr/bin/env bash
# Times Volra's walk beside du and ncdu on the same tree, in one run, the tools taking turns
# round after round so that a busy machine weighs on all of them alike:
#   warm page cache  du, ncdu, the headless walk, the walk with its progress dialog (medians)
#   memory           peak resident memory per entry above the same program on an empty folder
#   cold page cache  du and the headless walk, caches dropped before each (where permitted)
#   ten trees        the tree searched ten times into ten open documents: memory stays linear
# Ratios are to du's median. Usage:
#   bench/compare_scan.sh TREE [ROUNDS] [COLD_ROUNDS]
# Make a tree first, e.g.: python3 ../shared/bench/mktree.py --files 908833 --seed 2 /tmp/tree
set -euo pipefail
tree=${1:?usage: compare_scan.sh TREE [ROUNDS] [COLD_ROUNDS]}
rounds=${2:-5}
cold_rounds=${3:-3}
bin=${BUILD_DIR:-build}/bench/scan_bench
[ -x "$bin" ] || { echo "compare_scan.sh: build first ($bin is missing)" >&2; exit 2; }

# Set-up: ncdu is a peer to compare with, needed by this benchmark only.
if ! command -v ncdu >/dev/null; then
  { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ncdu; } >/dev/null 2>&1 ||
    { echo "compare_scan.sh: could not install ncdu" >&2; exit 2; }
fi

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN {printf "%.3f", b - a}'; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
field() { awk -v n="$1" '{print $n}'; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
run_du() { du -s --apparent-size -B1 "$tree" >/dev/null; }
# ncdu without a terminal: its export to nowhere (it then keeps no tree).
run_ncdu() { ncdu -0 -x -o /dev/null "$tree" >/dev/null 2>&1; }
drop_caches() { sync && echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null

empty=$(mktemp -d)
trap 'rm -rf "$empty"' EXIT
echo "tree $tree, $rounds rounds warm, $(nproc) cores, load at start $(load)"
run_du; run_ncdu; "$bin" "$tree" >/dev/null   # warm the cache

du_t=(); ncdu_t=(); head_t=(); gui_t=(); close_t=()
for _ in $(seq "$rounds"); do
  s=$(now); run_du; du_t+=("$(since "$s")")
  s=$(now); run_ncdu; ncdu_t+=("$(since "$s")")
  head=$("$bin" "$tree" | tail -n1); head_t+=("$(echo "$head" | field 5)"); close_t+=("$(echo "$head" | field 7)")
  gui=$("$bin" --progress "$tree" 2>/dev/null | tail -n1); gui_t+=("$(echo "$gui" | field 5)")
done
du_m=$(printf '%s\n' "${du_t[@]}" | median)
ncdu_m=$(printf '%s\n' "${ncdu_t[@]}" | median)
head_m=$(printf '%s\n' "${head_t[@]}" | median)
gui_m=$(printf '%s\n' "${gui_t[@]}" | median)
close_m=$(printf '%s\n' "${close_t[@]}" | median)
entries=$(echo "$head" | field 1)
per_entry() { awk -v full="$1" -v base="$2" -v n="$entries" 'BEGIN {printf "%.1f", (full - base) / n}'; }
head_b=$(per_entry "$(echo "$head" | field 6)" "$("$bin" "$empty" | tail -n1 | field 6)")
gui_b=$(per_entry "$(echo "$gui" | field 6)" "$("$bin" --progress "$empty" 2>/dev/null | tail -n1 | field 6)")
ratio() { awk -v a="$1" -v b="$du_m" 'BEGIN {printf "%.2f", a / b}'; }

echo "entries $entries (directories $(echo "$head" | field 2), files $(echo "$head" | field 3)), load at end $(load)"
printf '%-34s %10s %8s\n' "warm page cache, median of $rounds" seconds "x du"
printf '%-34s %10s %8s\n' "du -s --apparent-size" "$du_m" "1.00"
printf '%-34s %10s %8s\n' "ncdu -x (export to /dev/null)" "$ncdu_m" "$(ratio "$ncdu_m")"
printf '%-34s %10s %8s\n' "Volra walk, headless" "$head_m" "$(ratio "$head_m")"
printf '%-34s %10s %8s\n' "Volra walk, progress dialog" "$gui_m" "$(ratio "$gui_m")"
echo "bytes per entry above an empty program: headless $head_b, with the progress dialog $gui_b"
echo "closing the document of the tree: $close_m s"

if drop_caches; then
  cdu_t=(); chead_t=()
  for _ in $(seq "$cold_rounds"); do
    drop_caches; s=$(now); run_du; cdu_t+=("$(since "$s")")
    drop_caches; chead_t+=("$("$bin" "$tree" | tail -n1 | field 5)")
  done
  cdu_m=$(printf '%s\n' "${cdu_t[@]}" | median)
  chead_m=$(printf '%s\n' "${chead_t[@]}" | median)
  echo "cold page cache, median of $cold_rounds: du $cdu_m s, Volra headless $chead_m s," \
       "$(awk -v a="$chead_m" -v b="$cdu_m" 'BEGIN {printf "%.2f", a / b}') x du"
  run_du   # warm again for whatever runs next
else
  echo "cold page cache: not measured (dropping the page cache is not permitted here)"
fi

ten=$("$bin" --repeat 10 "$tree" | tail -n1)
echo "ten trees in one program: entries $(echo "$ten" | field 1), $(echo "$ten" | field 5) s," \
     "$(awk -v r="$(echo "$ten" | field 6)" -v n="$(echo "$ten" | field 1)" 'BEGIN {printf "%.1f", r / n}') bytes per entry"
