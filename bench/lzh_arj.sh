#!/usr/bin/env bash
# LHA and ARJ codec speed and size against the peers, on the same data in
# one run: packing at -lh5- against jlha, unpacking against jlha, lhasa and
# arj. Prints ours/theirs ratios (time: below 1.0 is faster; size: below 1.0
# is smaller). Usage: bench/lzh_arj.sh [host build folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/bench/common.sh"
host=${1:-$top/build/host}
tool=$host/components/codecs/lzh_tool
[ -x "$tool" ] || { echo "build $tool first (scripts/test.sh)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data"
# About 24 MB: program files and text, as a user's folders hold.
n=0
for f in /usr/bin/* /usr/share/common-licenses/* /usr/share/doc/*/copyright; do
  [ -f "$f" ] && [ "$(stat -L -c %s "$f")" -le 3000000 ] || continue
  cp "$f" "$work/data/$(printf %04d $n)_$(basename "$f")"
  n=$((n + 1))
  [ "$(du -sm "$work/data" | cut -f1)" -ge 24 ] && break
done
cd "$work/data"
files=$(ls)
now() { date +%s.%N; }
timed() { local s e; s=$(now); "$@" >/dev/null 2>&1; e=$(now); echo "$e - $s" | bc; }
ratio() { echo "scale=3; $1 / $2" | bc; }

t_jlha_a=$(timed jlha c2o5 ../jlha.lzh $files)
t_ours_a=$(timed "$tool" a ../ours.lzh $files)
s_jlha=$(stat -c %s ../jlha.lzh)
s_ours=$(stat -c %s ../ours.lzh)
lhasa t ../ours.lzh >/dev/null
mkdir -p ../x1 ../x2 ../x3 ../x4 ../x5
t_jlha_x=$(cd ../x1 && timed jlha x ../jlha.lzh)
t_lhasa_x=$(cd ../x2 && timed lhasa xq ../jlha.lzh)
t_ours_x=$(timed "$tool" x ../jlha.lzh ../x3)
arj a -y -m1 ../t.arj $files >/dev/null
t_arj_x=$(cd ../x4 && timed arj x -y ../t.arj)
t_ours_arj=$(timed "$tool" x ../t.arj ../x5)

echo "data: $(du -sb . | cut -f1) bytes in $n files"
line() {  # label ours theirs detail summary-label
  local r
  r=$(ratio "$2" "$3")
  echo "$1 $r  ($4)"
  bench_ratio "host codec: $5" "$r"
}
line "lh5 packing time  ours/jlha: " "$t_ours_a" "$t_jlha_a" "$t_ours_a s vs $t_jlha_a s" "lh5 packing time (jlha)"
line "lh5 packed size   ours/jlha: " "$s_ours" "$s_jlha" "$s_ours vs $s_jlha bytes" "lh5 packed size (jlha)"
line "lh5 unpacking     ours/jlha: " "$t_ours_x" "$t_jlha_x" "$t_ours_x s vs $t_jlha_x s" "lh5 unpacking (jlha)"
line "lh5 unpacking     ours/lhasa:" "$t_ours_x" "$t_lhasa_x" "$t_lhasa_x s" "lh5 unpacking (lhasa)"
line "arj -m1 unpacking ours/arj:  " "$t_ours_arj" "$t_arj_x" "$t_ours_arj s vs $t_arj_x s" "arj -m1 unpacking (arj)"
