# Sourced by the benchmark scripts: paths, the shared input photo, timing and
# ratio helpers, and the link line of a benchmark over the formats libraries.
# Expects ROOT and RUNS to be set. The flavour measured is QRV_ARCH (default:
# i686 where the host runs 32-bit programs, else x86_64); every script prints it.
source "$ROOT/scripts/arch.sh"
qrv_select_arch
if ! qrv_arch_runs_here; then
  echo "this host refuses 32-bit programs: the $QRV_ARCH build cannot be measured here" >&2
  exit 1
fi
BENCH_BUILD=${QRV_BUILD:-$ROOT/build-bench}
BUILD=$BENCH_BUILD/$QRV_ARCH
WORK=$BUILD/bench
mkdir -p "$WORK"
IM=/usr/bin/convert
DEPS=$QRV_DEPS_DIR
CXX_WIN="$QRV_TRIPLE-g++-posix"
if [ -z "${QRV_BENCH_SAID:-}" ]; then
  echo "build measured: $QRV_ARCH ($QRV_TRIPLE, run under $(basename "$QRV_WINE_LOADER"))"
  export QRV_BENCH_SAID=1
fi

# A photo-like 6000 x 4000 picture: smooth fractal structure plus fine noise.
SRC=$WORK/photo.ppm
if [ ! -f "$SRC" ]; then
  "$IM" -size 1500x1000 -seed 7 plasma:fractal -resize 6000x4000! -seed 3 -attenuate 0.3 +noise Gaussian -depth 8 "$SRC"
fi

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
timeit() {  # milliseconds of a command, median of RUNS
  for _ in $(seq "$RUNS"); do
    local a b; a=$(date +%s%N); "$@" >/dev/null 2>&1; b=$(date +%s%N)
    echo $(( (b - a) / 1000000 ))
  done | median
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

# build_formats_bench SOURCE.cpp OUT.exe: the image, EXIF and formats libraries
# and a benchmark program over them.
build_formats_bench() {
  QRV_BUILD=$BENCH_BUILD QRV_TARGETS="qrv_image qrv_exif qrv_formats" bash "$ROOT/scripts/build.sh" >/dev/null
  "$CXX_WIN" -std=c++20 -O2 -municode -DUNICODE -D_UNICODE -DNOMINMAX -I"$ROOT/src" \
    -I"$ROOT/resources" -I"$DEPS/include" "$1" -Wl,--start-group "$BUILD/libqrv_formats.a" \
    "$BUILD/libqrv_exif.a" "$BUILD/libqrv_image.a" -Wl,--end-group "$DEPS/lib/libtiff.a" "$DEPS/lib/libpng16.a" \
    "$DEPS/lib/libjpeg.a" "$DEPS/lib/libz.a" -static -lgdi32 -luser32 -lcomctl32 -lcomdlg32 -ladvapi32 -lshlwapi \
    -lshell32 -lole32 -luuid -o "$2"
}
