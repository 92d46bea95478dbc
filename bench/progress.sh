#!/usr/bin/env bash
# The progress window's cost: extraction and packing of a ~100 MB tree by
# our Tar32.dll and Unlha32.dll, each timed with a caller's window (the
# progress window shows after half a second, the caller's messages are
# handled meanwhile) and without one, in alternating runs (QAZ_BENCH_RUNS,
# default 3; the fastest of each side counts). Prints both times and their
# ratio (with / without); the window may cost at most 3 %.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
bench_display
out=$build/bench/progress
mkdir -p "$out"
bin=$build/$QAZ_ARCH/bin
[ -f "$bin/Tar32.dll" ] && [ -f "$bin/Unlha32.dll" ] || "$here/../scripts/build.sh"
$bench_cxx -O2 -static -o "$out/progress_time.exe" "$here/progress_time.cpp"
cp "$bin/Tar32.dll" "$bin/Unlha32.dll" "$out/"
runs=${QAZ_BENCH_RUNS:-3}

if [ ! -d "$out/tree" ]; then
  mkdir -p "$out/tree"
  python3 - "$out/tree" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(2)
words = [w.encode() for w in "bar archive entry folder packing level ratio window cancel progress".split()]
text = b"".join(b" ".join(random.choice(words) for _ in range(12)) + b"\n" for _ in range(40000))
for i in range(15):                                        # about 50 MB of text
    d = os.path.join(root, "docs")
    os.makedirs(d, exist_ok=True)
    open(os.path.join(d, "notes%02d.txt" % i), "wb").write(text[i * 997:] + text[:i * 997])
for i in range(10):                                        # 50 MB of binary
    d = os.path.join(root, "data")
    os.makedirs(d, exist_ok=True)
    open(os.path.join(d, "blob%02d.bin" % i), "wb").write(os.urandom(5 << 20) if i % 2 else bytes(range(256)) * 20480)
PY
fi

# Without a window manager (Xvfb), Wine waits up to two seconds for one
# whenever a window with a caption goes away, which no desktop does; for the
# runs Wine draws the frames itself, as it does on a desktop, and the
# setting is put back afterwards.
x11key='HKCU\Software\Wine\X11 Driver'
managed=$(timeout 60 "$qaz_wine" reg query "$x11key" /v Managed 2>/dev/null | tr -d '\r' | awk '/Managed/ {print $NF}' || true)
timeout 60 "$qaz_wine" reg add "$x11key" /v Managed /d N /f >/dev/null 2>&1
restore() {
  if [ -n "$managed" ]; then
    timeout 60 "$qaz_wine" reg add "$x11key" /v Managed /d "$managed" /f >/dev/null 2>&1
  else
    timeout 60 "$qaz_wine" reg delete "$x11key" /v Managed /f >/dev/null 2>&1
  fi
}
trap 'restore; bench_end_display' EXIT

w() { echo "Z:$(echo "$1" | tr / '\\')"; }
run() {  # label library prefix command
  local line
  line=$(QAZ_TIMEOUT=1800 "$here/../scripts/wine.sh" "$out/progress_time.exe" "$(w "$out/$2")" "$3" "$(w "$out")" \
    "$runs" "$4" | tr -d '\r')
  printf '%-16s %s\n' "$1" "$line"
  bench_ratio "$1, with / without window" "$(grep -o 'ratio [0-9.]*' <<<"$line" | cut -d' ' -f2)"
}
run "tgz pack" Tar32.dll Tar "cvfz6 \"$(w "$out/tree.tgz")\" tree"
run "tgz extract" Tar32.dll Tar "xvfo \"$(w "$out/tree.tgz")\" \"$(w "$out/x_tgz")\\\""
run "lzh pack" Unlha32.dll Unlha "a -a1 \"$(w "$out/tree.lzh")\" tree"
run "lzh extract" Unlha32.dll Unlha "x -a1 \"$(w "$out/tree.lzh")\" \"$(w "$out/x_lzh")\\\""
