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
  command -v makensis >/dev/null && command -v chmcmd >/dev/null && command -v chmls >/dev/null || need=1
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
  tdx_apt_update || true
  tdx_apt_install \
    cmake ninja-build g++ clang libclang-rt-14-dev llvm-14 \
    googletest libgtest-dev libgmock-dev \
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    wine wine32:i386 fonts-wine xvfb x11-utils xauth imagemagick procps ca-certificates \
    nsis fp-utils-3.2.2
}

# A mirror part-way through a sync serves an index whose size disagrees with its
# Release file; apt-get then fails the whole update although every other list
# loaded. Retry a few times, then carry on with what loaded: the install says
# whether that was enough.
TDX_APT_TRIES=${TDX_APT_TRIES:-4}
TDX_APT_DELAY=${TDX_APT_DELAY:-15}
TDX_APT_FAILED_SUITES=""   # suites with an index the last update could not load

tdx_apt_update() {
  local - i log rc
  set +e
  log=$(mktemp)
  for i in $(seq 1 "$TDX_APT_TRIES"); do
    apt-get update -q 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    TDX_APT_FAILED_SUITES=$(grep -o 'Failed to fetch [^ ]*/dists/[^/ ]*/' "$log" |
                            sed 's|.*/dists/||; s|/$||' | sort -u | paste -sd' ')
    if [ "$rc" = 0 ]; then rm -f "$log"; return 0; fi
    if [ "$i" -lt "$TDX_APT_TRIES" ]; then
      tdx_log "apt-get update failed (try $i of $TDX_APT_TRIES); trying again in ${TDX_APT_DELAY}s"
      sleep "$TDX_APT_DELAY"
    fi
  done
  rm -f "$log"
  tdx_log "some package indexes could not be loaded (${TDX_APT_FAILED_SUITES:-unknown suite});" \
          "carrying on with the lists that loaded"
  return 1
}

# tdx_apt_install <package>...: installs, retrying with a fresh update when apt
# fails. When a suite's index for one architecture did not load, the other
# architecture's packages of that suite are newer than anything the first can
# match (multi-arch packages must have equal versions), so a retry holds that
# suite back for this install. On giving up prints which packages are missing
# and apt's reasons, and returns non-zero.
tdx_apt_install() {
  local - i log rc=0 missing=() p pin="" opts=() s
  set +e
  log=$(mktemp)
  for i in $(seq 1 "$TDX_APT_TRIES"); do
    opts=()
    if [ "$i" -gt 1 ] && [ -n "$TDX_APT_FAILED_SUITES" ]; then
      pin=$(mktemp)
      for s in $TDX_APT_FAILED_SUITES; do
        printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n\n' "$s" >>"$pin"
      done
      opts=(-o "Dir::Etc::Preferences=$pin")
      tdx_log "holding back $TDX_APT_FAILED_SUITES for this install: an index of it did not load"
    fi
    apt-get install -y -q "${opts[@]}" "$@" 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    [ -n "$pin" ] && rm -f "$pin"
    pin=""
    [ "$rc" = 0 ] && { rm -f "$log"; return 0; }
    if [ "$i" -lt "$TDX_APT_TRIES" ]; then
      tdx_log "apt-get install failed (try $i of $TDX_APT_TRIES); updating and trying again in ${TDX_APT_DELAY}s"
      sleep "$TDX_APT_DELAY"
      TDX_APT_TRIES=1 tdx_apt_update || true
    fi
  done
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  {
    echo
    echo "Set-up stopped: apt-get could not install ${missing[*]:-the requested packages}" \
         "after $TDX_APT_TRIES tries (exit status $rc)${TDX_APT_FAILED_SUITES:+; the index of $TDX_APT_FAILED_SUITES did not load}." \
         "apt-get said:"
    grep -E '^(E|W):|not going to be installed|not installable|has no installation candidate|Unable to locate' "$log" |
      sed 's/^ */    /' | sort -u | head -20
    echo "This is usually a package mirror part-way through a sync or an unreachable archive;" \
         "run the same command again later. Nothing was built."
  } >&2
  rm -f "$log"
  return 1
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
