#!/usr/bin/env bash
# Checks a release folder from the files themselves, without running them:
#   scripts/check_package.sh FOLDER [LIST]
# Every file of LIST (scripts/deliverables.txt) is there, is a 32-bit (i386)
# Windows file, exports the entries its callers look up under their plain
# names, imports no MinGW runtime library and carries our version resource;
# qaz.hlp is a help file and readme.txt is Shift-JIS text with CR LF lines.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: check_package.sh FOLDER [LIST]}
list=${2:-$here/deliverables.txt}
objdump=${OBJDUMP:-objdump}
export LC_ALL=C  # objdump speaks English to our patterns
. "$here/version.sh"
faults=0
fault() { echo "package: $*" >&2; faults=$((faults + 1)); }

# Prints the first of the texts that the file does not hold as UTF-16 (how
# version resources keep them).
missing_utf16() {
  python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
print(next((t for t in sys.argv[2:] if t.encode("utf-16-le") not in data), ""))' "$@"
}

while read -r name exports; do
  case $name in ''|'#'*) continue ;; esac
  file=$dir/$name
  if [ ! -f "$file" ]; then fault "$name is missing"; continue; fi
  dump=$("$objdump" -p "$file" 2>&1) || { fault "$name is not a Windows file"; continue; }
  grep -q 'file format pei-i386$' <<<"$dump" || fault "$name is not a 32-bit (i386) file: $(grep -o 'file format .*' <<<"$dump")"
  if grep -qiE 'DLL Name: *(libgcc|libstdc\+\+|libwinpthread|mingwm)' <<<"$dump"; then
    fault "$name needs a MinGW runtime library: $(grep -oiE 'DLL Name: *(libgcc|libstdc|libwinpthread|mingwm)[^ ]*' <<<"$dump" | tr '\n' ' ')"
  fi
  # Exported names, from the name pointer table.
  names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^\s*\[ *[0-9]*\] *\(.*\)$/\1/p')
  if [ "$exports" != "-" ]; then
    for e in $exports; do
      grep -qxF "$e" <<<"$names" || fault "$name does not export $e"
    done
    if grep -q '@' <<<"$names"; then fault "$name exports decorated names: $(grep '@' <<<"$names" | tr '\n' ' ')"; fi
  fi
  text=$(missing_utf16 "$file" VS_VERSION_INFO CompanyName "$QAZ_COMPANY" ProductName "$QAZ_PRODUCT" \
    FileVersion "$QAZ_VERSION")
  [ -z "$text" ] || fault "$name has no version resource with \"$text\""
done <"$list"

hlp=$dir/qaz.hlp
if [ ! -f "$hlp" ]; then
  fault "qaz.hlp is missing"
elif [ "$(od -An -tx1 -N4 "$hlp" | tr -d ' ')" != "3f5f0300" ]; then
  fault "qaz.hlp is not a help file"
fi
readme=$dir/readme.txt
if [ ! -f "$readme" ]; then
  fault "readme.txt is missing"
else
  iconv -f CP932 -t UTF-8 "$readme" >/dev/null 2>&1 || fault "readme.txt is not Shift-JIS"
  if [ "$(grep -c $'\r$' "$readme")" != "$(wc -l <"$readme")" ] || [ "$(tail -c2 "$readme" | od -An -tx1 | tr -d ' ')" != "0d0a" ]; then
    fault "readme.txt has lines without CR LF"
  fi
  grep -q "$QAZ_VERSION" "$readme" || fault "readme.txt does not name version $QAZ_VERSION"
fi
[ "$faults" = 0 ] && echo "package: $(ls "$dir" | wc -l) files checked in $dir"
exit $((faults > 0))
