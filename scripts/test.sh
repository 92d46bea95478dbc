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
