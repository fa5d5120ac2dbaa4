#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing:
# both cross compilers, wine64 always, and wine32 where the host runs 32-bit programs.
# --bench: also the peers the benchmarks in bench/ time ours against (libvips' tools).
set -euo pipefail
source "$(dirname "$0")/arch.sh"

PACKAGES=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools nasm dpkg-dev cmake ninja-build googletest
  wine wine64 xvfb xauth fonts-wine fonts-liberation
  imagemagick netpbm libtiff-tools libjpeg-turbo-progs libimage-exiftool-perl
  icoutils libopenjp2-tools pngcheck python3 perl clang-format
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good sox lame ghostscript
)
[ "${1:-}" = --bench ] && PACKAGES+=(libvips-tools)
if qrv_host_runs_i686; then
  PACKAGES+=(wine32:i386)
  # wine32's DirectShow decodes through the 32-bit GStreamer (wavparse, mpg123, avidemux, qtdemux, jpeg).
  PACKAGES+=(gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    SUDO=
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO dpkg --add-architecture i386
    need_update=1
  fi
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ] && [ -z "${need_update:-}" ]; then
  exit 0
fi

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
