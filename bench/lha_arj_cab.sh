#!/usr/bin/env bash
# Our Unlha32.dll, Unarj32j.dll and Cab32.dll against jlha, lhasa, arj and
# cabextract on the same ~24 MB of programs and text, in one run: extraction
# of the peers' archives, and packing into -lh5- against jlha (time and
# size). Each line prints ours, the peer and ours/peer (below 1: ours is
# faster or smaller). Ours runs under Wine; the library's own time is
# measured in process (bench/arc_time.cpp), without Wine's start-up.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
bench_display
out=$build/bench/lha
mkdir -p "$out"
bin=$build/$QAZ_ARCH/bin
[ -f "$bin/Unlha32.dll" ] && [ -f "$bin/Cab32.dll" ] && [ -f "$bin/Unarj32j.dll" ] || "$here/../scripts/build.sh"
$bench_cxx -O2 -static -o "$out/arc_time.exe" "$here/arc_time.cpp"
cp "$bin/Unlha32.dll" "$bin/Unarj32j.dll" "$bin/Cab32.dll" "$out/"

if [ ! -f "$out/data.cab" ]; then
  rm -rf "$out/data" && mkdir -p "$out/data"
  n=0
  for f in /usr/bin/* /usr/share/common-licenses/* /usr/share/doc/*/copyright; do
    [ -f "$f" ] && [ "$(stat -L -c %s "$f")" -le 3000000 ] || continue
    cp "$f" "$out/data/$(printf %04d $n)_$(basename "$f")"
    n=$((n + 1))
    [ "$(du -sm "$out/data" | cut -f1)" -ge 24 ] && break
  done
  (cd "$out/data" && jlha c2o5 ../data.lzh ./* >/dev/null && arj a -y -m1 ../data.arj ./* >/dev/null &&
    gcab -c -z ../data.cab ./*)
fi
# The machine may be shared: each extraction runs $runs times, into fresh
# folders, and its fastest run counts (ours is left in x/ours to compare).
runs=${QAZ_BENCH_RUNS:-3}

echo "data: $(du -sm "$out/data" | cut -f1) MB in $(ls "$out/data" | wc -l) files; $QAZ_ARCH build under Wine; best of $runs runs"
t_ours=$(best ours "$(win "$out/Unlha32.dll")" Unlha "x -a1 \"$(win "$out/data.lzh")\" \"$(win "$out/x/ours")\\\"")
diff -r "$out/x/ours" "$out/data" >/dev/null || { echo "lzh extraction differs" >&2; exit 1; }
t_jlha=$(best in_peer jlha x ../../data.lzh)
ratio "extract -lh5- (jlha x)" "$t_ours" "$t_jlha"
t_lhasa=$(best in_peer lhasa xq ../../data.lzh)
ratio "extract -lh5- (lhasa x)" "$t_ours" "$t_lhasa"

a_ours=$(best ours "$(win "$out/Unarj32j.dll")" Unarj "x -a \"$(win "$out/data.arj")\" \"$(win "$out/x/ours")\\\"")
diff -r "$out/x/ours" "$out/data" >/dev/null || { echo "arj extraction differs" >&2; exit 1; }
a_peer=$(best in_peer arj x -y ../../data.arj)
ratio "extract ARJ -m1 (arj x)" "$a_ours" "$a_peer"

c_ours=$(best ours "$(win "$out/Cab32.dll")" Cab "-x \"$(win "$out/data.cab")\" \"$(win "$out/x/ours")\\\"")
diff -r "$out/x/ours" "$out/data" >/dev/null || { echo "cab extraction differs" >&2; exit 1; }
c_peer=$(best peer cabextract -q -d "$out/x/peer" "$out/data.cab")
ratio "extract MSZIP cab (cabextract)" "$c_ours" "$c_peer"
rm -rf "$out/x"

(cd "$out/data" && ls | sed 's/.*/"&"\r/') > "$out/pack.qaz"
rm -f "$out/ours.lzh" "$out/peer.lzh"
p_ours=$(ours "$(win "$out/Unlha32.dll")" Unlha "$(win "$out/data")" "a -a1 \"$(win "$out/ours.lzh")\" \"@$(win "$out/pack.qaz")\"")
p_peer=$(cd "$out/data" && peer jlha c2o5 ../peer.lzh ./*)
ratio "pack -lh5- (jlha c2o5)" "$p_ours" "$p_peer"
s_ours=$(stat -c %s "$out/ours.lzh") s_peer=$(stat -c %s "$out/peer.lzh")
printf '%-30s ours %8d B   peer %8d B   ratio %.4f\n' "packed size" "$s_ours" "$s_peer" "$(echo "$s_ours / $s_peer" | bc -l)"
lhasa t "$out/ours.lzh" >/dev/null && echo "ours.lzh passes lhasa t"
