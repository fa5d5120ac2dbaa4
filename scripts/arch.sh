# Sourced by the scripts: the flavour being built or tested and its paths.
#
# QRV_ARCH=i686|x86_64 picks the flavour. i686 is the product (qrv.exe for
# 32-bit Windows); x86_64 is the same code built for 64-bit Windows, which runs
# under wine64 on hosts that refuse 32-bit programs. Unset, the scripts take
# i686 where the host runs 32-bit code and x86_64 elsewhere.
#
# QRV_BUILD, QRV_DEPS and QRV_WINEPREFIX name base folders; each flavour has its
# own folder below them, so the two never share a build, a library or a prefix.

# True when this host executes 32-bit x86 programs. Decided by running one: a
# 93-byte static i386 ELF that only calls exit(0). Some hosts refuse every
# 32-bit program ("Exec format error"), whatever the kernel version says.
qrv_host_runs_i686() {
  if [ -z "${QRV_HOST_RUNS_I686:-}" ]; then
    local probe
    probe=$(mktemp /tmp/qrv-i386-probe.XXXXXX)
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
    chmod +x "$probe"
    if "$probe" 2>/dev/null; then QRV_HOST_RUNS_I686=yes; else QRV_HOST_RUNS_I686=no; fi
    rm -f "$probe"
    export QRV_HOST_RUNS_I686
  fi
  [ "$QRV_HOST_RUNS_I686" = yes ]
}

# Sets the flavour's variables from QRV_ARCH (or the host's default).
qrv_select_arch() {
  if [ -z "${QRV_ARCH:-}" ]; then
    if qrv_host_runs_i686; then QRV_ARCH=i686; else QRV_ARCH=x86_64; fi
  fi
  case "$QRV_ARCH" in
    i686)   QRV_TRIPLE=i686-w64-mingw32;   QRV_WINE_LOADER=/usr/lib/wine/wine ;;
    x86_64) QRV_TRIPLE=x86_64-w64-mingw32; QRV_WINE_LOADER=/usr/lib/wine/wine64 ;;
    *) echo "QRV_ARCH must be i686 or x86_64, not '$QRV_ARCH'" >&2; return 1 ;;
  esac
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  QRV_TOOLCHAIN=$root/cmake/mingw-$QRV_ARCH.cmake
  QRV_BUILD_DIR=${QRV_BUILD:-$root/build}/$QRV_ARCH
  QRV_DEPS_DIR=${QRV_DEPS:-/opt/quorvane-deps}/$QRV_ARCH
  QRV_WINEPREFIX_DIR=${QRV_WINEPREFIX:-/var/cache/quorvane-wine}/$QRV_ARCH
  export QRV_ARCH QRV_TRIPLE QRV_WINE_LOADER QRV_TOOLCHAIN QRV_BUILD_DIR QRV_DEPS_DIR QRV_WINEPREFIX_DIR
}

# True when the chosen flavour's programs can run here under Wine.
qrv_arch_runs_here() {
  [ "$QRV_ARCH" = x86_64 ] || qrv_host_runs_i686
}
