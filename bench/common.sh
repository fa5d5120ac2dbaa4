# Sourced by the benchmark scripts: paths, the shared input photo, timing and
# ratio helpers, and the link line of a benchmark over the formats libraries.
# Expects ROOT and RUNS to be set.
BUILD=${QRV_BUILD:-$ROOT/build-bench}
WORK=$BUILD/bench
mkdir -p "$WORK"
IM=/usr/bin/convert
DEPS=/opt/quorvane-deps

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
  QRV_BUILD=$BUILD QRV_TARGETS="qrv_image qrv_exif qrv_formats" bash "$ROOT/scripts/build.sh" >/dev/null
  i686-w64-mingw32-g++-posix -std=c++20 -O2 -municode -DUNICODE -D_UNICODE -DNOMINMAX -I"$ROOT/src" \
    -I"$ROOT/resources" -I"$DEPS/include" "$1" -Wl,--start-group "$BUILD/libqrv_formats.a" \
    "$BUILD/libqrv_exif.a" "$BUILD/libqrv_image.a" -Wl,--end-group "$DEPS/lib/libtiff.a" "$DEPS/lib/libpng16.a" \
    "$DEPS/lib/libjpeg.a" "$DEPS/lib/libz.a" -static -lgdi32 -luser32 -lcomctl32 -lcomdlg32 -ladvapi32 -lshlwapi \
    -lshell32 -lole32 -luuid -o "$2"
}
