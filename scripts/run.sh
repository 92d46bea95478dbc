#!/usr/bin/env bash
# Builds QAZ and starts it in the project's Wine prefix, with the given files
# or the bar alone. With a display it runs there until you close it; without
# one it runs on a private Xvfb for a few seconds and leaves screenshots in
# out/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
. "$here/env.sh"
"$here/build.sh" >/dev/null
exe=$build/$QAZ_ARCH/bin/qaz.exe

if [ -n "${DISPLAY:-}" ]; then
  exec "$here/wine.sh" "$exe" "$@"
fi

mkdir -p "$top/out"
display=:$(qaz_free_display "${QAZ_DISPLAY:-91}")
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
"$here/wine.sh" "$exe" "$@" &
program=$!
sleep "${QAZ_SHOW_SECONDS:-6}"
import -window root "$top/out/screen.png"
convert "$top/out/screen.png" -crop 240x60+0+0 +repage "$top/out/bar.png"
# Rest the pointer on the icon to show its tooltip.
xdotool mousemove 10 10 2>/dev/null && sleep 2 && import -window root "$top/out/tooltip.png" \
  && convert "$top/out/tooltip.png" -crop 360x90+0+0 +repage "$top/out/tooltip.png"
echo "screenshots: out/screen.png, out/bar.png, out/tooltip.png"
# Wine ends before its display does (WINESERVER is set only for the 64-bit
# build).
"${WINESERVER:-wineserver}" -k 2>/dev/null || true
wait $program 2>/dev/null || true
