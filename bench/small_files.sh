#!/usr/bin/env bash
# Many small files: 5,000 files of 1-20 KB (text and binary) in 50 folders,
# extracted by our Unzip32.dll, Tar32.dll, Unlha32.dll and Unarj32j.dll and
# by the peers (unzip, tar, lhasa, arj) from the same archives, in one run.
# What this measures is each library's cost per file (names, folders, the
# file's creation and renaming) more than its codec. Each line prints ours,
# the peer and ours/peer (below 1: ours is faster); the fastest of
# QAZ_BENCH_RUNS runs (default 2) counts. A last line prints what a minimal
# Windows program pays under Wine for as many files (bench/file_floor.cpp).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
bench_display
out=$build/bench/small
mkdir -p "$out"
bin=$build/$QAZ_ARCH/bin
for dll in Unzip32 Tar32 Unlha32 Unarj32j; do [ -f "$bin/$dll.dll" ] || "$here/../scripts/build.sh"; done
$bench_cxx -O2 -static -o "$out/arc_time.exe" "$here/arc_time.cpp"
$bench_cxx -O2 -static -o "$out/file_floor.exe" "$here/file_floor.cpp"
cp "$bin/Unzip32.dll" "$bin/Tar32.dll" "$bin/Unlha32.dll" "$bin/Unarj32j.dll" "$out/"

if [ ! -f "$out/small.arj" ]; then
  rm -rf "$out/small" && mkdir -p "$out/small"
  python3 - "$out/small" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(7)
words = [w.encode() for w in "file note entry small many folder name QAZ 書庫 test data".split()]
for i in range(5000):
    d = os.path.join(root, "d%02d" % (i % 50))
    os.makedirs(d, exist_ok=True)
    size = random.randint(1024, 20 * 1024)
    if i % 3:
        text = b" ".join(random.choice(words) for _ in range(size // 4))
        blob = text[:size]
    else:
        blob = random.randbytes(size)
    open(os.path.join(d, "f%04d.dat" % i), "wb").write(blob)
PY
  (cd "$out" && zip -qr small.zip small && tar -czf small.tgz small && lha_files=$(find small -type f | sort) &&
    jlha c2o5 small.lzh $lha_files >/dev/null && arj a -r -y -m1 small.arj small >/dev/null)
fi
runs=${QAZ_BENCH_RUNS:-2}
same() { diff -r "$out/x/ours/small" "$out/small" >/dev/null || { echo "$1 extraction differs" >&2; exit 1; }; }

echo "data: $(find "$out/small" -type f | wc -l) files, $(du -sm "$out/small" | cut -f1) MB; $QAZ_ARCH build under Wine; best of $runs runs"
dest="\"$(win "$out/x/ours")\\\""
t=$(best ours "$(win "$out/Unzip32.dll")" UnZip "-x -s -V -i \"$(win "$out/small.zip")\" $dest"); same zip
ratio "5,000 files .zip (unzip)" "$t" "$(best in_peer unzip -qo ../../small.zip)"
t=$(best ours "$(win "$out/Tar32.dll")" Tar "xvfo \"$(win "$out/small.tgz")\" $dest"); same tgz
ratio "5,000 files .tgz (tar xzf)" "$t" "$(best in_peer tar -xzf ../../small.tgz)"
t=$(best ours "$(win "$out/Unlha32.dll")" Unlha "x -a1 \"$(win "$out/small.lzh")\" $dest"); same lzh
ratio "5,000 files -lh5- (lhasa x)" "$t" "$(best in_peer lhasa xq ../../small.lzh)"
t=$(best ours "$(win "$out/Unarj32j.dll")" Unarj "x -a \"$(win "$out/small.arj")\" $dest"); same arj
ratio "5,000 files ARJ -m1 (arj x)" "$t" "$(best in_peer arj x -y ../../small.arj)"
# What any Windows program pays under Wine for as many files of the mean
# size, made straight under their names or through temporary ones (not in
# the table: a measure of the test bed, not of our libraries).
floor() { QAZ_TIMEOUT=900 "$top/scripts/wine.sh" "$out/file_floor.exe" "$(win "$out/x/ours")" 5000 10752 "$@" | tr -d '\r'; }
printf 'a minimal program under Wine, 5,000 files: straight %s ms, through temporary names %s ms\n' "$(best floor)" "$(best floor temp)"
rm -rf "$out/x"
