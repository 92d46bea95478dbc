# Shared by the bench scripts: sourced, not run.
# shellcheck source=../scripts/env.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"

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
