#!/usr/bin/env bash
# The one test command: installs what is missing, builds the Windows
# binaries and the host code, and runs every test (Windows tests under Wine
# on a private Xvfb, host tests and short fuzz runs natively).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
. "$here/env.sh"

echo "== Floors of the program (includes point down only)"
python3 "$here/check_floors.py"

echo "== Windows build (32-bit and 64-bit test builds; the suites run on the $QAZ_ARCH build)"
"$here/build.sh" --tests

echo "== Host build of the portable code"
host=$build/host
qaz_configure_host
cmake --build "$host" --target host_tools
# The host tests run with AddressSanitizer and UBSan: damaged input that
# makes a decoder read or write outside its buffers fails the test.
asan=$build/host-asan
qaz_configure_host_asan
cmake --build "$asan" --target host_tests

status=0
echo "== Host tests (AddressSanitizer and UBSan)"
(cd "$asan" && ctest --output-on-failure) || status=1

echo "== Short fuzz runs of the decoders"
fuzz() {  # name fuzzer [seed folder]; 15 seconds each
  local f=$1 fuzzer=$2
  mkdir -p "$host/fuzz-corpus/$f"
  if ! "$fuzzer" -max_total_time=15 -max_len=65536 -print_final_stats=1 "$host/fuzz-corpus/$f" ${3:+"$3"} \
      >"$host/fuzz_$f.log" 2>&1; then
    tail -30 "$host/fuzz_$f.log"; status=1
  fi
  echo "fuzz_$f: $(grep -o 'number_of_executed_units: *[0-9]*' "$host/fuzz_$f.log" | grep -o '[0-9]*$') executions"
}
seeds=$host/fuzz-seeds
"$host/components/codecs/make_seeds" "$seeds"
# Inputs that once found a fault are replayed by every run.
cp "$top/tests/components/codecs/data/narrow_chain.pic" "$seeds/pic/"
# Seeds for the archive decoders come from the peer packers.
if [ ! -f "$seeds/arj/m4.arj" ]; then
  mkdir -p "$seeds/lzh" "$seeds/arj"
  (cd "$seeds" && printf 'seed seed seed of an archive, seed\n' >s.txt &&
    for l in 0 1 2; do jlha c${l}o5 lzh/l$l.lzh s.txt; done && jlha c1o7 lzh/l7.lzh s.txt &&
    for m in 0 1 4; do arj a -y -m$m arj/m$m.arj s.txt; done) >/dev/null 2>&1 || true
fi
if [ ! -f "$seeds/zip/overlap.zip" ]; then  # made again when make_data.sh gains archives
  bash "$top/tests/components/archivers/make_data.sh" "$seeds/data" >/dev/null
  mkdir -p "$seeds"/{tar,gzip,lzw,zip,path}
  cp "$seeds"/data/*.tar "$seeds/tar/"
  cp "$seeds"/data/*.gz "$seeds"/data/*.tgz "$seeds/gzip/"
  cp "$seeds"/data/*.Z "$seeds"/data/*.taz "$seeds/lzw/"
  cp "$seeds"/data/*.zip "$seeds/zip/"
  printf 'a/b\\c' > "$seeds/path/1"; printf 'a/../b\0../../c' > "$seeds/path/2"; printf 'C:x\0d/e' > "$seeds/path/3"
fi
if [ ! -f "$seeds/cab/mszip.cab" ]; then
  mkdir -p "$seeds/cab"
  (cd "$seeds" && printf 'seed seed seed of a cabinet, seed\n' >c.txt && seq 1 9000 >>c.txt &&
    gcab -c cab/stored.cab c.txt && gcab -c -z cab/mszip.cab c.txt) >/dev/null 2>&1 || true
fi
# JPEG seeds from cjpeg: restart intervals, progressive scans, greyscale, 4:2:2.
if [ ! -f "$seeds/jpeg/p.jpg" ]; then
  mkdir -p "$seeds/jpeg"
  (cd "$seeds/jpeg" && convert -size 27x19 plasma:fractal -seed 2 s.ppm && cjpeg -restart 1 s.ppm >r.jpg &&
    cjpeg -progressive -optimize s.ppm >p.jpg && cjpeg -grayscale s.ppm >g.jpg &&
    cjpeg -sample 2x1 -progressive -restart 1b s.ppm >h.jpg && rm s.ppm) >/dev/null 2>&1 || true
fi
cp "$top/tests/components/codecs/data/overfull_table.jpg" "$seeds/jpeg/"
for f in mag pi pic pic2 q4 jpeg lzh arj tar gzip lzw zip path ish cab; do
  fuzz $f "$host/components/codecs/fuzz_$f" "$seeds/$f"
done
fuzz ftp "$host/components/ftpclient/fuzz_ftp"

echo "== Release package"
if "$here/package.sh" >"$build/package.log" 2>&1; then
  tail -1 "$build/package.log"
  . "$here/version.sh"
  "$top/tests/scripts/check_package_test.sh" "${QAZ_DIST:-$top/dist}/qaz-$QAZ_VERSION" || status=1
else
  tail -30 "$build/package.log"; status=1
fi

echo "== Windows tests under Wine, on the $QAZ_ARCH build"
display=:$(qaz_free_display "${QAZ_TEST_DISPLAY:-93}")
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
# One wine session for the whole run. Its server and the helper processes
# that the first program starts (services, explorer) must not inherit
# ctest's pipes, or ctest waits for them: start them here, detached.
"${WINESERVER:-wineserver}" -p 30 </dev/null >/dev/null 2>&1 || true
QAZ_TIMEOUT=120 "$here/wine.sh" cmd /c exit </dev/null >/dev/null 2>&1 || true
cleanup() {
  "${WINESERVER:-wineserver}" -k </dev/null >/dev/null 2>&1 || true
  kill $xvfb 2>/dev/null || true
}
trap cleanup EXIT
sleep 1
(cd "$build/$QAZ_ARCH" && ctest --output-on-failure) || status=1
echo "The Windows suites ran on the $QAZ_ARCH build ($([ "$QAZ_ARCH" = win32 ] && echo 32-bit || echo 64-bit))."
exit $status
