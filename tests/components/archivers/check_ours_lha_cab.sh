#!/bin/sh
# The archives our libraries made in archivers_test, checked by the peers.
set -e
cd "$1"
for f in ours.lzh; do lhasa t "$f" >/dev/null; jlha t "$f" >/dev/null; 7z t "$f" >/dev/null; done
for f in ours_mszip.cab ours_lzx.cab; do cabextract -t "$f" >/dev/null; 7z t "$f" >/dev/null; done
mkdir -p x && cd x && rm -rf ./* && lhasa xq ../ours.lzh && cmp text.txt ../../lha_data/src/text.txt &&
  cmp sub/mixed.bin ../../lha_data/src/sub/mixed.bin
echo "our LZH and cabinets pass lhasa, jlha, cabextract and 7z"
