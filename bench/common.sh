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
# The peers (libvips' tools) besides what the build and the tests install.
bash "$ROOT/scripts/install-packages.sh" --bench || echo "libvips' tools could not be installed: their rows are left out" >&2
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

# build_bench NAME...: the benchmark programs of that name (CMake targets, one
# per bench/NAME.cpp), built into $BUILD/NAME.exe.
build_bench() {
  QRV_BUILD=$BENCH_BUILD QRV_TARGETS="$*" bash "$ROOT/scripts/build.sh" >/dev/null
}

# make_camera_files: 200 camera-size files (4000 x 3000, q90) in $CAM/plain and
# the same with an Exif thumbnail (160 x 120) in $CAM/exif, hard links of one
# file each, so every tool reads the same bytes.
CAM=$WORK/camera
make_camera_files() {
  [ -d "$CAM/plain" ] && return 0
  mkdir -p "$CAM/plain" "$CAM/exif"
  "$IM" "$SRC" -resize 4000x3000! ppm:- | cjpeg -quality 90 > "$WORK/camera.jpg"
  "$IM" "$SRC" -resize 160x120! ppm:- | cjpeg -quality 85 > "$WORK/thumb.jpg"
  cp "$WORK/camera.jpg" "$WORK/exif.jpg"
  exiftool -q -overwrite_original -Make=Bench "-ThumbnailImage<=$WORK/thumb.jpg" "$WORK/exif.jpg"
  local i
  for i in $(seq -w 1 200); do ln "$WORK/camera.jpg" "$CAM/plain/p$i.jpg"; ln "$WORK/exif.jpg" "$CAM/exif/e$i.jpg"; done
}
