#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-i686 mingw-w64-tools nasm dpkg-dev cmake ninja-build googletest
  wine wine32 xvfb xauth fonts-wine fonts-liberation
  imagemagick netpbm libtiff-tools libjpeg-turbo-progs libimage-exiftool-perl
  icoutils libopenjp2-tools pngcheck python3 perl
)

missing=()
for p in "${PACKAGES[@]}"; do
  arch_p=$p
  [ "$p" = wine32 ] && arch_p=wine32:i386
  if ! dpkg-query -W -f='${Status}' "$arch_p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$arch_p")
  fi
done

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

if [ ${#missing[@]} -eq 0 ] && [ -z "${need_update:-}" ]; then
  exit 0
fi

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
