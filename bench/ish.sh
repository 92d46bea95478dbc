#!/usr/bin/env bash
# ISH codec speed: encoding and decoding 8 MB (program files and text) in
# each kind. With a peer "ish" (the Unix ish 2.01; not packaged by Debian:
# name it in ISH_PEER or put it on PATH) it prints ours/theirs time ratios
# on the same data in the same run (below 1.0 is faster) and checks that
# each side reads the other's text. Usage: bench/ish.sh [host build folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/bench/common.sh"
host=${1:-$top/build/host}
tool=$host/components/codecs/ish_tool
[ -x "$tool" ] || { echo "build $tool first (scripts/test.sh)"; exit 1; }
peer=${ISH_PEER:-$(command -v ish || true)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src"
# About 8 MB of what users send: programs and text, one file.
for f in /usr/bin/* /usr/share/common-licenses/*; do
  [ -f "$f" ] && cat "$f" >>"$work/src/data.bin"
  [ "$(stat -c %s "$work/src/data.bin")" -ge 8000000 ] && break
done
truncate -s 8000000 "$work/src/data.bin"
now() { date +%s.%N; }
timed() { local s e; s=$(now); "$@" >/dev/null 2>&1; e=$(now); echo "$e - $s" | bc; }
ratio() { echo "scale=3; $1 / $2" | bc; }
cd "$work/src"
i=0
for kind in 7 8 s n; do
  mkdir -p "../o$kind" "../p$kind" "../x$kind" "../y$kind"
  t_oe=$(timed "$tool" e $i data.bin "../o$kind/data.ish")
  t_od=$(timed "$tool" d "../o$kind/data.ish" "../x$kind")
  cmp -s data.bin "../x$kind/DATA.BIN" || { echo "s$kind: ours did not round-trip"; exit 1; }
  if [ -n "$peer" ]; then
    cp data.bin "../p$kind/"
    t_pe=$(cd "../p$kind" && timed "$peer" -s$kind data.bin)
    t_pd=$(cd "../y$kind" && timed "$peer" "../o$kind/data.ish")
    cmp -s data.bin "../y$kind/data.bin" || { echo "s$kind: the peer did not read our text"; exit 1; }
    rm -f "../x$kind/DATA.BIN"
    "$tool" d "../p$kind/data.ish" "../x$kind" && cmp -s data.bin "../x$kind/data.bin" ||
      { echo "s$kind: ours did not read the peer's text"; exit 1; }
    echo "s$kind encode ours/ish: $(ratio "$t_oe" "$t_pe") ($t_oe s vs $t_pe s)   decode ours/ish: $(ratio "$t_od" "$t_pd") ($t_od s vs $t_pd s)"
    bench_ratio "ISH s$kind encode (ish)" "$(ratio "$t_oe" "$t_pe")"
    bench_ratio "ISH s$kind decode (ish)" "$(ratio "$t_od" "$t_pd")"
  else
    echo "s$kind encode $t_oe s, decode $t_od s (no peer ish: set ISH_PEER for ratios)"
  fi
  i=$((i + 1))
done
