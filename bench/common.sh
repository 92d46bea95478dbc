# Shared by the bench scripts: sourced, not run.
# shellcheck source=../scripts/env.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"

# The cross compiler of the build the benches run (for their timing tools).
bench_cxx=$([ "$QAZ_ARCH" = win32 ] && echo i686-w64-mingw32-g++-posix || echo x86_64-w64-mingw32-g++-posix)

# For the archiver benches, which keep their files in $out:
# win PATH: the host path as the Windows programs see it.
win() { echo "Z:$(echo "$1" | tr / '\\')"; }
# ours LIBRARY PREFIX [FOLDER] COMMAND: the library's own time of one command
# in milliseconds (arc_time.exe under Wine); the bench stops when it fails.
ours() {
  local r
  r=$(QAZ_TIMEOUT=900 "$top/scripts/wine.sh" "$out/arc_time.exe" "$@" | tr -d '\r')
  [ "${r#* }" = 0 ] || { echo "our command failed: $* -> $r" >&2; exit 1; }
  echo "${r% *}"
}
# bench_fresh FOLDER...: the folders emptied (made when missing), and what
# the disk still had to write from earlier runs written first, so that no
# run pays for the one before it.
bench_fresh() {
  rm -rf "$@" && mkdir -p "$@" && sync
}
# peer COMMAND...: the command's wall time in milliseconds.
peer() {
  local s e
  s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N)
  echo $(( (e - s) / 1000000 ))
}

# ratio NAME OURS PEER: prints both times and their ratio, and records it.
ratio() {
  local r
  r=$(printf '%.2f' "$(echo "$2 / $3" | bc -l)")
  printf '%-30s ours %8.0f ms  peer %8.0f ms  ratio %s\n' "$1" "$2" "$3" "$r"
  bench_ratio "$1" "$r"
}
# For the extraction benches, which extract into $out/x/ours and $out/x/peer:
# fresh empties both; best COMMAND... is the smallest time of $runs runs,
# each into fresh folders (ours is left in x/ours to compare); in_peer
# COMMAND... times a peer inside x/peer.
fresh() { rm -rf "$out/x" && bench_fresh "$out/x/ours" "$out/x/peer"; }
best() {
  local b="" t
  for _ in $(seq "$runs"); do
    fresh
    t=$("$@")
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  echo "$b"
}
in_peer() { (cd "$out/x/peer" && peer "$@"); }

# bench_ratio NAME RATIO: one ratio (ours / the peer's) for the summary that
# bench/all.sh prints; a no-op when a script runs on its own.
bench_ratio() {
  [ -n "${QAZ_BENCH_SUMMARY:-}" ] && printf '%s\t%s\t%s\n' "$(basename "$0" .sh)" "$1" "$2" >>"$QAZ_BENCH_SUMMARY"
  return 0
}

# bench_display: a private Xvfb for the Wine runs of this script (unless one
# is already set), ended when the script ends: Wine's processes first, so
# that none of them loses its display while it still runs.
bench_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  n=$(qaz_free_display 99)
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  bench_xvfb=$!
  export DISPLAY=":$n"
  trap bench_end_display EXIT
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
}

bench_end_display() {
  [ -n "${bench_xvfb:-}" ] || return 0
  "${WINESERVER:-wineserver}" -k >/dev/null 2>&1 || true
  "${WINESERVER:-wineserver}" -w >/dev/null 2>&1 || true
  kill "$bench_xvfb" 2>/dev/null || true
  wait "$bench_xvfb" 2>/dev/null || true
}
