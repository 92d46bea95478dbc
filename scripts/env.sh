# Shared settings of the scripts: sourced, not run.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QAZ_BUILD:-$top/build}

# The program is a 32-bit Windows program. Where this machine's kernel cannot
# run 32-bit Linux code (so 32-bit Wine cannot start), the tests run a 64-bit
# build of the same sources under 64-bit Wine instead.
if [ -z "${QAZ_ARCH:-}" ]; then
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    QAZ_ARCH=win32
  else
    QAZ_ARCH=win64
  fi
fi
export QAZ_ARCH
if [ "$QAZ_ARCH" = win32 ]; then
  export WINEARCH=win32
  qaz_wine=wine
else
  export WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  export WINESERVER=/usr/lib/wine/wineserver64
  qaz_wine=/usr/lib/wine/wine64
fi
export WINEPREFIX=$build/wineprefix-$QAZ_ARCH
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
export ALSA_CONFIG_PATH=$build/asound.conf
