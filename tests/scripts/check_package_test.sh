#!/usr/bin/env bash
# The package check must refuse broken releases: each case spoils a copy of
# the release folder in one way and expects the check to fail naming it.
#   tests/scripts/check_package_test.sh FOLDER
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
release=${1:?usage: check_package_test.sh FOLDER}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wine64dir=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
wine32dir=/usr/lib/i386-linux-gnu/wine/i386-windows
failures=0

# case NAME EXPECTED-MESSAGE SPOIL-COMMAND...: the spoil command runs in the copy.
check_case() {
  local name=$1 expected=$2
  shift 2
  rm -rf "$work/pkg" && cp -r "$release" "$work/pkg"
  cp "$top/scripts/deliverables.txt" "$work/list"
  (cd "$work/pkg" && "$@") || { echo "FAIL $name: could not spoil the copy"; failures=$((failures + 1)); return; }
  local out
  if out=$("$top/scripts/check_package.sh" "$work/pkg" "$work/list" 2>&1); then
    echo "FAIL $name: accepted"; failures=$((failures + 1))
  elif ! grep -qF "$expected" <<<"$out"; then
    echo "FAIL $name: expected \"$expected\", got: $out"; failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

out=$("$top/scripts/check_package.sh" "$release" 2>&1) && echo "ok   the release passes" ||
  { echo "FAIL the release itself: $out"; failures=$((failures + 1)); }

check_case "missing library" "ifgif.spi is missing" rm ifgif.spi
check_case "missing entry" "ifjpeg.spi does not export GetThumbnail" \
  sed -i 's/^ifjpeg.spi .*/& GetThumbnail/' ../list
check_case "64-bit file" "qaz.exe is not a 32-bit (i386) file" cp "$wine64dir/winhlp32.exe" qaz.exe
check_case "foreign file without our version" "qaz.exe has no version resource" cp "$wine32dir/winhlp32.exe" qaz.exe
check_case "not a help file" "qaz.hlp is not a help file" cp readme.txt qaz.hlp
check_case "readme with LF lines" "readme.txt has lines without CR LF" sed -i 's/\r$//' readme.txt
check_case "readme not in Shift-JIS" "readme.txt is not Shift-JIS" \
  sh -c 'printf "QAZ for win32 1.9.1.0 \374\374\377\r\n" > readme.txt'
exit $((failures > 0))
