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

echo "== Windows build ($QAZ_ARCH tests; 32-bit deliverables in build/win32/bin)"
"$here/build.sh" --tests

echo "== Host build of the portable code"
host=$build/host
if [ ! -f "$host/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$top" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQAZ_WERROR=ON >/dev/null
fi
cmake --build "$host"

status=0
echo "== Host tests"
(cd "$host" && ctest --output-on-failure) || status=1

echo "== Short fuzz runs of the decoders"
"$host/components/codecs/make_seeds" "$host/fuzz-seeds"
for f in mag pi pic; do
  mkdir -p "$host/fuzz-corpus/$f"
  if ! "$host/components/codecs/fuzz_$f" -max_total_time=15 -print_final_stats=1 \
      "$host/fuzz-corpus/$f" "$host/fuzz-seeds/$f" >"$host/fuzz_$f.log" 2>&1; then
    tail -30 "$host/fuzz_$f.log"; status=1
  fi
  echo "fuzz_$f: $(grep -o 'number_of_executed_units: *[0-9]*' "$host/fuzz_$f.log" | grep -o '[0-9]*$') executions"
done

for f in ftp; do
  mkdir -p "$host/fuzz-corpus/$f"
  if ! "$host/components/ftpclient/fuzz_$f" -max_total_time=15 -print_final_stats=1 \
      "$host/fuzz-corpus/$f" >"$host/fuzz_$f.log" 2>&1; then
    tail -30 "$host/fuzz_$f.log"; status=1
  fi
  echo "fuzz_$f: $(grep -o 'number_of_executed_units: *[0-9]*' "$host/fuzz_$f.log" | grep -o '[0-9]*$') executions"
done

echo "== Windows tests under Wine"
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
exit $status
