#!/usr/bin/env bash
# Builds the program: the 32-bit deliverables in build/win32, and, where
# Wine here runs only 64-bit code, the 64-bit test build in build/win64.
# Usage: scripts/build.sh [--tests | --win32]
#   --win32: only the 32-bit deliverables (for the release), keeping the
#            tests setting of an existing build/win32.
set -euo pipefail
. "$(dirname "$0")/env.sh"
tests=OFF
[ "${1:-}" = "--tests" ] && tests=ON

configure_and_build() {  # arch toolchain tests
  local dir=$build/$1
  if [ ! -f "$dir/build.ninja" ] || ! grep -q "QAZ_TESTS:BOOL=$3" "$dir/CMakeCache.txt" 2>/dev/null; then
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2" \
      -DQAZ_WERROR=ON -DQAZ_TESTS="$3" >/dev/null
  fi
  cmake --build "$dir"
}

if [ "${1:-}" = "--win32" ]; then
  if [ -f "$build/win32/build.ninja" ]; then
    cmake --build "$build/win32"
  else
    configure_and_build win32 mingw-i686.cmake OFF
  fi
elif [ "$QAZ_ARCH" = win32 ]; then
  configure_and_build win32 mingw-i686.cmake "$tests"
else
  configure_and_build win32 mingw-i686.cmake OFF
  configure_and_build win64 mingw-x86_64.cmake "$tests"
fi
