#!/usr/bin/env bash
# Installs everything the build, the tests and the run need, and prepares the
# Wine prefix inside the build folder. Safe to run again: every step checks
# first and does only what is missing.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive

packages=(
  cmake ninja-build g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest
  wine wine32:i386 wine64 xvfb xauth x11-utils xdotool locales fonts-ipafont-gothic imagemagick
  clang libclang-rt-14-dev
  zip unzip arj jlha-utils lhasa cabextract gcab ncompress p7zip-full
  python3 python3-pyftpdlib zlib1g-dev libjpeg-turbo-progs giflib-tools libtiff-tools bc
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine only reports the Japanese code page when the host locale exists.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# The Wine prefix lives in the build folder so that a clean build starts clean.
# shellcheck source=env.sh
. "$(dirname "$0")/env.sh"
if [ ! -f "$WINEPREFIX/.qaz-ready" ]; then
  mkdir -p "$build"
  rm -rf "$WINEPREFIX"
  timeout 300 "$qaz_wine" wineboot -i >/dev/null 2>&1 || true
  touch "$WINEPREFIX/.qaz-ready"
fi
# The forms ask for "ＭＳ Ｐゴシック". IPA Gothic stands in for it: its
# half-width digits keep the clock inside its panel, where IPA P Gothic's
# wider ones would be cut off.
if [ ! -f "$WINEPREFIX/.qaz-fonts-2" ]; then
  key='HKCU\Software\Wine\Fonts\Replacements'
  timeout 120 "$qaz_wine" reg add "$key" /v "ＭＳ Ｐゴシック" /d IPAGothic /f >/dev/null 2>&1 || true
  timeout 120 "$qaz_wine" reg add "$key" /v "ＭＳ ゴシック" /d IPAGothic /f >/dev/null 2>&1 || true
  timeout 120 "$qaz_wine" reg add "$key" /v "MS UI Gothic" /d IPAPGothic /f >/dev/null 2>&1 || true
  timeout 60 "${WINESERVER:-wineserver}" -w || true
  touch "$WINEPREFIX/.qaz-fonts-2"
fi

# Sound without a sound card: a null ALSA device gives Wine one wave output.
if [ ! -f "$build/asound.conf" ]; then
  printf 'pcm.!default { type null }\n' > "$build/asound.conf"
fi
