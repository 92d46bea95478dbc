#!/usr/bin/env bash
# Our Tar32.dll and Unzip32.dll against GNU tar, gzip and Info-ZIP unzip on
# the same ~200 MB tree (half text, half binary), in one run:
#   extraction of a .tgz (ours "xvfo" / tar xzf) and a ZIP (ours "-x" / unzip),
#   packing into .tgz at level 6 (ours "cvfz6" / tar with gzip -6): time and size.
# Each line prints ours, the peer and ours/peer (below 1: ours is faster or
# smaller). Ours runs under Wine in the build this machine's Wine runs; the
# library's own time is measured in process, without Wine's start-up.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
bench_display
out=$build/bench/arc
mkdir -p "$out"
bin=$build/$QAZ_ARCH/bin
[ -f "$bin/Tar32.dll" ] && [ -f "$bin/Unzip32.dll" ] || "$here/../scripts/build.sh"
$bench_cxx -O2 -static -o "$out/arc_time.exe" "$here/arc_time.cpp"
cp "$bin/Tar32.dll" "$bin/Unzip32.dll" "$out/"

if [ ! -f "$out/tree.tgz" ]; then
  rm -rf "$out/tree" && mkdir -p "$out/tree"
  python3 - "$out/tree" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(1)
words = [w.encode() for w in "the bar archive entry folder packing level ratio 書庫 解凍 QAZ window".split()]
line = lambda: b" ".join(random.choice(words) for _ in range(12)) + b"\n"
text = b"".join(line() for _ in range(40000))             # about 3.4 MB of text
for i in range(30):                                        # about 100 MB of text
    d = os.path.join(root, "docs", "part%02d" % (i // 10))
    os.makedirs(d, exist_ok=True)
    open(os.path.join(d, "notes%02d.txt" % i), "wb").write(text[i * 997:] + text[:i * 997])
for i in range(20):                                        # 100 MB of binary: random and structured
    d = os.path.join(root, "data")
    os.makedirs(d, exist_ok=True)
    if i % 2:
        blob = os.urandom(5 << 20)
    else:
        blob = bytes((k * 7 + (k >> 9)) & 0xFF for k in range(1 << 20)) * 5
    open(os.path.join(d, "blob%02d.bin" % i), "wb").write(blob)
PY
  (cd "$out" && tar -I 'gzip -6' -cf tree.tgz tree && zip -qr tree.zip tree)
fi
size=$(du -sm "$out/tree" | cut -f1)

echo "tree: ${size} MB in $(find "$out/tree" -type f | wc -l) files; $QAZ_ARCH build under Wine"
bench_fresh "$out/x"
t_ours=$(ours "$(win "$out/Tar32.dll")" Tar "xvfo \"$(win "$out/tree.tgz")\" \"$(win "$out/x/ours_tgz")\\\"")
sync
t_peer=$(peer bash -c "mkdir -p '$out/x/peer_tgz' && tar -xzf '$out/tree.tgz' -C '$out/x/peer_tgz'")
diff -r "$out/x/ours_tgz/tree" "$out/tree" >/dev/null || { echo "tgz extraction differs" >&2; exit 1; }
ratio "extract .tgz (tar xzf)" "$t_ours" "$t_peer"
bench_fresh "$out/x"

z_ours=$(ours "$(win "$out/Unzip32.dll")" UnZip "-x -s -V -i \"$(win "$out/tree.zip")\" \"$(win "$out/x/ours_zip")\\\"")
sync
z_peer=$(peer unzip -qo "$out/tree.zip" -d "$out/x/peer_zip")
diff -r "$out/x/ours_zip/tree" "$out/tree" >/dev/null || { echo "zip extraction differs" >&2; exit 1; }
ratio "extract .zip (unzip)" "$z_ours" "$z_peer"
rm -rf "$out/x"

printf '"tree"\r\n' > "$out/pack.qaz"
rm -f "$out/ours.tgz" "$out/peer.tgz"
p_ours=$(ours "$(win "$out/Tar32.dll")" Tar "$(win "$out")" "cvfz6 \"$(win "$out/ours.tgz")\" \"@$(win "$out/pack.qaz")\"")
p_peer=$(peer bash -c "cd '$out' && tar -I 'gzip -6' -cf peer.tgz tree")
ratio "pack .tgz level 6 (tar czf)" "$p_ours" "$p_peer"
s_ours=$(stat -c %s "$out/ours.tgz") s_peer=$(stat -c %s "$out/peer.tgz")
printf '%-28s ours %8d B   peer %8d B   ratio %.4f\n' "packed size" "$s_ours" "$s_peer" "$(echo "$s_ours / $s_peer" | bc -l)"
gzip -t "$out/ours.tgz" && tar -tzf "$out/ours.tgz" >/dev/null && echo "ours.tgz passes gzip -t and tar -tzf"
