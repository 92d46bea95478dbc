#!/usr/bin/env bash
# Makes the release: builds the 32-bit files in release mode and the help
# file, and writes dist/qaz-<version>.zip (one folder holding every file of
# scripts/deliverables.txt, qaz.hlp and readme.txt) and
# dist/qaz-<version>.sha256. A listed file that the build did not make fails
# the package, and so does any fault scripts/check_package.sh finds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
. "$here/env.sh"
. "$here/version.sh"

echo "== Release build of the 32-bit files"
"$here/build.sh" --win32
echo "== Help file"
host=$build/host
qaz_configure_host
cmake --build "$host" --target hlpgen

name=qaz-$QAZ_VERSION
dist=${QAZ_DIST:-$top/dist}
stage=$dist/$name
rm -rf "$stage" "$dist/$name.zip" "$dist/$name.sha256"
mkdir -p "$stage"
missing=0
while read -r file _; do
  case $file in ''|'#'*) continue ;; esac
  if [ -f "$build/win32/bin/$file" ]; then
    i686-w64-mingw32-strip --strip-unneeded -o "$stage/$file" "$build/win32/bin/$file"
  else
    echo "package: the build made no $file" >&2
    missing=1
  fi
done <"$here/deliverables.txt"
[ "$missing" = 0 ] || exit 1
"$host/tools/hlpgen/hlpgen" "$top/docs/help/qaz_help.txt" "$stage/qaz.hlp"
sed "s/@VERSION@/$QAZ_VERSION/g" "$top/docs/package/readme.txt" | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >"$stage/readme.txt"

"$here/check_package.sh" "$stage"

# The same sources give the same zip: fixed times, sorted names, no extra fields.
stamp=$(git -C "$top" log -1 --format=%ct 2>/dev/null || echo 315532800)
find "$stage" -exec touch -d "@$stamp" {} +
(cd "$dist" && find "$name" | LC_ALL=C sort | TZ=UTC zip -X -q -D "$name.zip" -@)
(cd "$dist" && sha256sum "$name.zip" $(find "$name" -type f | LC_ALL=C sort) >"$name.sha256")
echo "package: $dist/$name.zip ($(stat -c %s "$dist/$name.zip") bytes), $dist/$name.sha256"
