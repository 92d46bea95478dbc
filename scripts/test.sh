#!/usr/bin/env bash
# The one test command: installs what is missing, builds the Windows
# binaries and the host code, and runs every test (Windows tests under Wine
# on a private Xvfb, host tests and short fuzz runs natively).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
. "$here/env.sh"

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

echo "== Windows tests under Wine"
display=:${QAZ_TEST_DISPLAY:-93}
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
# One wine server for the whole run; its output must not hold ctest's pipes.
"${WINESERVER:-wineserver}" -p 30 </dev/null >/dev/null 2>&1 || true
# The first Wine program starts the prefix's services, which live on and keep
# the output pipes they inherit: start them here, away from ctest's pipes.
timeout 120 "$qaz_wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
cleanup() {
  "${WINESERVER:-wineserver}" -k </dev/null >/dev/null 2>&1 || true
  kill $xvfb 2>/dev/null || true
}
trap cleanup EXIT
sleep 1
(cd "$build/$QAZ_ARCH" && ctest --output-on-failure) || status=1
exit $status
