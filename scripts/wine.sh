#!/usr/bin/env bash
# Runs a Windows program in the project's Wine prefix with the Japanese code
# page, on the current display or on a private Xvfb when there is none, and
# never for longer than QAZ_TIMEOUT seconds (default 600).
set -u
. "$(dirname "$0")/env.sh"
limit=${QAZ_TIMEOUT:-600}
if [ -n "${DISPLAY:-}" ]; then
  exec timeout -k 5 "$limit" "$qaz_wine" "$@"
fi
exec timeout -k 5 "$limit" xvfb-run -a -s "-screen 0 1024x768x24" "$qaz_wine" "$@"
