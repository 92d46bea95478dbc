#!/usr/bin/env bash
# Our ifjpeg.spi against djpeg on the same 1920x1080 JPEG: mean time per
# decode of each, measured in the same run, and their ratio (ours / djpeg;
# below 1 means ours is faster). The plug-in runs under Wine, in the build
# that this machine's Wine runs; process start-up is not counted.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
bench_display
runs=${RUNS:-20}
out=$build/bench
mkdir -p "$out"
bin=$build/$QAZ_ARCH/bin
[ -f "$bin/ifjpeg.spi" ] || "$here/../scripts/build.sh"
$bench_cxx -O2 -static -o "$out/spi_time.exe" "$here/spi_time.cpp"
convert -seed 1 -size 1920x1080 plasma:fractal -quality 90 "$out/bench.jpg" 2>/dev/null ||
  convert -size 1920x1080 gradient:red-blue -quality 90 "$out/bench.jpg"
cp "$bin/ifjpeg.spi" "$out/"

ours=$("$here/../scripts/wine.sh" "$out/spi_time.exe" "$out/ifjpeg.spi" "$out/bench.jpg" "$runs" | tr -d '\r')
start=$(date +%s.%N)
for _ in $(seq "$runs"); do djpeg -bmp "$out/bench.jpg" >/dev/null; done
end=$(date +%s.%N)
peer=$(echo "($end - $start) * 1000 / $runs" | bc -l)
r=$(printf '%.2f' "$(echo "$ours / $peer" | bc -l)")
printf 'ifjpeg.spi %.1f ms, djpeg %.1f ms per 1920x1080 decode; ratio ours/djpeg %s\n' "$ours" "$peer" "$r"
bench_ratio "JPEG 1920x1080 (djpeg)" "$r"
