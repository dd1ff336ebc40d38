# Shared by scripts/test and scripts/demo: installs what the build needs and
# builds a tree. Sourced, not run.

TDX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TDX_BUILD_ROOT=${TDX_BUILD_ROOT:-$TDX_ROOT/build}

tdx_log() { printf '== %s\n' "$*" >&2; }

# Debian packages, installed only when something is missing.
tdx_install_deps() {
  local need=0
  command -v cmake >/dev/null && command -v ninja >/dev/null || need=1
  command -v clang++ >/dev/null && command -v i686-w64-mingw32-g++-posix >/dev/null || need=1
  command -v i686-w64-mingw32-windres >/dev/null || need=1
  command -v wine >/dev/null && command -v Xvfb >/dev/null && command -v xdpyinfo >/dev/null || need=1
  command -v convert >/dev/null && command -v import >/dev/null || need=1
  [ -d /usr/src/googletest/googletest ] && [ -f /usr/include/gtest/gtest.h ] || need=1
  [ -f /usr/include/gmock/gmock.h ] || need=1
  ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need=1
  dpkg -s wine32:i386 >/dev/null 2>&1 || need=1
  [ "$need" = 0 ] && return 0

  tdx_log "installing build and test dependencies"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q
  apt-get install -y -q \
    cmake ninja-build g++ clang libclang-rt-14-dev llvm-14 \
    googletest libgtest-dev libgmock-dev \
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    wine wine32:i386 fonts-wine xvfb x11-utils xauth imagemagick procps ca-certificates
}

# tdx_build <preset>: configure (once) and build the tree of that preset.
tdx_build() {
  local preset=$1 dir="$TDX_BUILD_ROOT/$1"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    tdx_log "configuring $preset"
    cmake --preset "$preset" -S "$TDX_ROOT" -B "$dir" >/dev/null
  fi
  tdx_log "building $preset"
  cmake --build "$dir" --parallel "$(nproc)"
}
