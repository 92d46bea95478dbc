#!/usr/bin/env bash
# Checks the archives our Tar32.dll made in archivers_test with GNU tar and
# gzip: both accept them, and they extract byte-exact to the packed tree.
# Usage: check_ours.sh OUTDIR TREE
set -euo pipefail
out=$1 tree=$2
for level in 1 9; do
  tgz=$out/ours$level.tgz
  gzip -t "$tgz"
  tar -tzf "$tgz" > /dev/null
  rm -rf "$out/x$level" && mkdir -p "$out/x$level"
  tar -xzf "$tgz" -C "$out/x$level"
  diff -r "$tree/src" "$out/x$level/src"
  echo "ours$level.tgz: gzip -t, tar -tzf and tar -xzf agree with the tree"
done
# Level 9 packs no larger than level 1.
[ "$(stat -c %s "$out/ours9.tgz")" -le "$(stat -c %s "$out/ours1.tgz")" ]
