# Shared settings of the scripts: sourced, not run.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QAZ_BUILD:-$top/build}

# The program is a 32-bit Windows program. Where this machine's kernel cannot
# run 32-bit Linux code (so 32-bit Wine cannot start), the tests run a 64-bit
# build of the same sources under 64-bit Wine instead.
if [ -z "${QAZ_ARCH:-}" ]; then
  # (32-bit code run through an emulator registered with the kernel is far
  # too slow, and counts as not running.)
  if [ -x /usr/lib/wine/wine ] && [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] &&
     /usr/lib/wine/wine --version >/dev/null 2>&1; then
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

# A display number no X server uses yet, from the given one upwards.
qaz_free_display() {
  local n=$1
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do
    if [ -e "/tmp/.X$n-lock" ] && ! kill -0 "$(tr -d ' ' < "/tmp/.X$n-lock" 2>/dev/null)" 2>/dev/null; then
      rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"  # left by a server that is gone
      break
    fi
    n=$((n + 1))
  done
  echo "$n"
}

# The host build of the portable code and the tools, configured once.
qaz_configure_host() {
  if [ ! -f "$build/host/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$top" -B "$build/host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQAZ_WERROR=ON >/dev/null
  fi
}

# The host build with AddressSanitizer and UBSan, where the host tests run.
qaz_configure_host_asan() {
  if [ ! -f "$build/host-asan/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$top" -B "$build/host-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQAZ_WERROR=ON -DQAZ_SANITIZE=ON >/dev/null
  fi
}
