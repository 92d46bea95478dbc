#!/usr/bin/env bash
# Runs every bench of this folder in turn (each bench/NAME.sh but this one)
# on one shared Xvfb, then prints one table of all their ratios (ours /
# the peer's: time, or size where the line says so; below 1 is better).
# A bench joins the table by calling bench_ratio (bench/common.sh) for each
# ratio it prints. Usage: bench/all.sh [NAME...] (default: all of them)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
export QAZ_BENCH_SUMMARY
QAZ_BENCH_SUMMARY=$(mktemp)
bench_display
trap 'rm -f "$QAZ_BENCH_SUMMARY"; bench_end_display' EXIT

# The host tools of the codec benches.
if [ ! -x "$build/host/components/codecs/lzh_tool" ] || [ ! -x "$build/host/components/codecs/ish_tool" ]; then
  qaz_configure_host && cmake --build "$build/host" --target lzh_tool ish_tool >/dev/null
fi

if [ $# -gt 0 ]; then names=("$@"); else
  names=()
  for f in "$here"/*.sh; do
    n=$(basename "$f" .sh)
    [ "$n" = all ] || [ "$n" = common ] || names+=("$n")
  done
fi
echo "load before: $(uptime)"
failed=()
for n in "${names[@]}"; do
  echo "== $n"
  bash "$here/$n.sh" || failed+=("$n")
done
echo "load after:  $(uptime)"
echo
echo "== Summary: ours / peer ($QAZ_ARCH build; below 1 is better)"
printf '%-14s %-44s %s\n' bench measure ratio
while IFS=$'\t' read -r bench what ratio; do
  printf '%-14s %-44s %s\n' "$bench" "$what" "$ratio"
done <"$QAZ_BENCH_SUMMARY"
for n in "${failed[@]}"; do printf '%-14s %-44s %s\n' "$n" "(the bench failed)" -; done
[ ${#failed[@]} -eq 0 ]
