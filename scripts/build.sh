#!/usr/bin/env bash
# Builds the program: the 32-bit deliverables in build/win32 and, with
# --tests, the test executables of both widths (build/win32 and build/win64),
# so that a fault of either width is caught on every machine, whichever of the
# two the suites then run on.
# Usage: scripts/build.sh [--tests | --win32]
#   (none):  the build the program runs from here (build/$QAZ_ARCH), keeping
#            the tests setting of an existing build folder.
#   --win32: only the 32-bit deliverables (for the release), keeping the
#            tests setting of an existing build/win32.
set -euo pipefail
. "$(dirname "$0")/env.sh"

configure_and_build() {  # arch toolchain tests (ON, OFF or keep)
  local dir=$build/$1 tests=$3
  if [ "$tests" = keep ]; then
    if [ -f "$dir/build.ninja" ]; then
      cmake --build "$dir"
      return
    fi
    tests=OFF
  fi
  if [ ! -f "$dir/build.ninja" ] || ! grep -q "QAZ_TESTS:BOOL=$tests" "$dir/CMakeCache.txt" 2>/dev/null; then
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2" \
      -DQAZ_WERROR=ON -DQAZ_TESTS="$tests" >/dev/null
  fi
  cmake --build "$dir"
}

case "${1:-}" in
  --tests)
    configure_and_build win32 mingw-i686.cmake ON
    configure_and_build win64 mingw-x86_64.cmake ON
    ;;
  --win32)
    configure_and_build win32 mingw-i686.cmake keep
    ;;
  *)
    configure_and_build win32 mingw-i686.cmake keep
    if [ "$QAZ_ARCH" = win64 ]; then
      configure_and_build win64 mingw-x86_64.cmake keep
    fi
    ;;
esac
