#!/usr/bin/env bash
# Builds the static libraries of one flavour (QRV_ARCH: zlib, libjpeg-turbo,
# libpng, libtiff, libmng, OpenJPEG, GoogleTest) from Debian's source packages
# into a prefix outside the clone. Skipped when the prefix's stamp matches this
# script, the toolchain and the versions.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
source "$HERE/arch.sh"
qrv_select_arch
PREFIX=$QRV_DEPS_DIR
WORK=${QRV_DEPS_WORK:-/var/cache/quorvane-deps-src}/$QRV_ARCH
TOOLCHAIN=$QRV_TOOLCHAIN
CC="$QRV_TRIPLE-gcc-posix"
CFLAGS="-O2"
[ "$QRV_ARCH" = i686 ] && CFLAGS="$CFLAGS -msse2 -mfpmath=sse"
JOBS=$(nproc)
SOURCES=(zlib libjpeg-turbo libpng1.6 tiff libmng openjpeg2)

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

# deb-src entries: a copy of the system's Debian source list with Types: deb-src.
SRC_LIST=/etc/apt/sources.list.d/quorvane-deb-src.sources
if [ ! -f "$SRC_LIST" ]; then
  sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
    | awk 'BEGIN{RS="";ORS="\n\n"} /Suites:[^\n]*bookworm([ \n]|-updates)/ && !/security/' \
    | $SUDO tee "$SRC_LIST" >/dev/null
  $SUDO apt-get update -qq
fi

versions() {
  for s in "${SOURCES[@]}"; do
    printf '%s=%s\n' "$s" "$(apt-cache showsrc -t bookworm "$s" 2>/dev/null | awk '/^Version:/{print $2; exit}')"
  done
  printf 'googletest=%s\n' "$(dpkg-query -W -f='${Version}' googletest)"
  printf 'compiler=%s %s\n' "$QRV_TRIPLE" "$($QRV_TRIPLE-g++-posix -dumpversion)"
}
STAMP=$( { cat "$0" "$TOOLCHAIN" "$ROOT/cmake/mingw-common.cmake"; versions; } | sha256sum | cut -c1-16)
if [ -f "$PREFIX/.stamp" ] && [ "$(cat "$PREFIX/.stamp")" = "$STAMP" ]; then
  exit 0
fi
echo "Building the $QRV_ARCH dependencies into $PREFIX (stamp $STAMP)"

rm -rf "$PREFIX" "$WORK"
mkdir -p "$PREFIX" "$WORK"
cd "$WORK"
for s in "${SOURCES[@]}"; do
  apt-get source -qq -t bookworm "$s" >/dev/null 2>&1 || apt-get source -t bookworm "$s"
done
srcdir() { find "$WORK" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n1; }

CM=(cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_PREFIX_PATH="$PREFIX" -DQRV_DEPS="$PREFIX"
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -Wno-dev)
cmake_build() { # name srcdir args...
  local name=$1 src=$2; shift 2
  "${CM[@]}" -S "$src" -B "$WORK/build-$name" "$@" >"$WORK/$name.log" 2>&1 \
    && cmake --build "$WORK/build-$name" -j "$JOBS" >>"$WORK/$name.log" 2>&1 \
    && cmake --install "$WORK/build-$name" >>"$WORK/$name.log" 2>&1 \
    || { tail -n 40 "$WORK/$name.log"; echo "building $name failed"; exit 1; }
}

# zlib (Debian's source drops the win32 makefiles: compile the library files directly)
Z=$(srcdir zlib)
mkdir -p "$PREFIX/include" "$PREFIX/lib" "$WORK/build-zlib"
(
  cd "$Z"
  for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
    $CC $CFLAGS -c "$c.c" -o "$WORK/build-zlib/$c.o"
  done
  "$QRV_TRIPLE-ar" rcs "$PREFIX/lib/libz.a" "$WORK"/build-zlib/*.o
  cp zlib.h zconf.h "$PREFIX/include/"
) >"$WORK/zlib.log" 2>&1 || { tail -n 40 "$WORK/zlib.log"; echo "building zlib failed"; exit 1; }

ZLIB_ARGS=(-DZLIB_INCLUDE_DIR="$PREFIX/include" -DZLIB_LIBRARY="$PREFIX/lib/libz.a")

cmake_build jpeg "$(srcdir libjpeg-turbo)" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON \
  -DWITH_JPEG8=OFF -DWITH_TURBOJPEG=OFF -DCMAKE_ASM_NASM_COMPILER=nasm
# libpng's processor test reads "^i?86" and so misses i686: its SSE2 row filters stay out.
sed -i 's/MATCHES "\^i?86"/MATCHES "^i.?86"/' "$(srcdir libpng1.6)/CMakeLists.txt"
cmake_build png "$(srcdir libpng1.6)" "${ZLIB_ARGS[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=ON
cmake_build tiff "$(srcdir tiff)" "${ZLIB_ARGS[@]}" -DJPEG_INCLUDE_DIR="$PREFIX/include" \
  -DJPEG_LIBRARY="$PREFIX/lib/libjpeg.a" -Djpeg=ON -Dzlib=ON -Dold-jpeg=ON -Djbig=OFF -Dlzma=OFF \
  -Dzstd=OFF -Dwebp=OFF -Dlibdeflate=OFF -Dlerc=OFF -Dpixarlog=ON -Dcxx=OFF \
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF
cmake_build openjpeg "$(srcdir openjpeg2)" -DBUILD_CODEC=OFF -DBUILD_TESTING=OFF -DBUILD_STATIC_LIBS=ON \
  -DBUILD_DOC=OFF
cmake_build gtest /usr/src/googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=OFF

# libmng: compiled file by file (its makefiles build a DLL). MNG_BUILD_SO turns on
# write support and chunk access (jpeglib.h needs <stdio.h> first); the installed libmng_conf.h says MNG_USE_SO so
# that the program sees the same configuration.
M=$(srcdir libmng)
(
  cd "$M" || exit 1
  mkdir -p "$WORK/build-mng"
  pids=()
  for c in libmng_*.c; do
    $CC $CFLAGS -DMNG_BUILD_SO -include stdio.h -I"$PREFIX/include" \
      -c "$c" -o "$WORK/build-mng/${c%.c}.o" &
    pids+=($!)
    while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do sleep 0.05; done
  done
  for p in "${pids[@]}"; do wait "$p" || exit 1; done
  "$QRV_TRIPLE-ar" rcs "$PREFIX/lib/libmng.a" "$WORK"/build-mng/*.o || exit 1
  { printf '#ifndef MNG_BUILD_SO\n#ifndef MNG_USE_SO\n#define MNG_USE_SO\n#endif\n#endif\n'; cat libmng_conf.h; } >"$PREFIX/include/libmng_conf.h" || exit 1
  cp libmng.h libmng_types.h "$PREFIX/include/" || exit 1
) >"$WORK/mng.log" 2>&1 || { tail -n 40 "$WORK/mng.log"; echo "building libmng failed"; exit 1; }

echo "$STAMP" >"$PREFIX/.stamp"
echo "Dependencies ready in $PREFIX"
