# Shared by scripts/test and scripts/demo: installs what the build needs and
# builds a tree. Sourced, not run.

TDX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TDX_BUILD_ROOT=${TDX_BUILD_ROOT:-$TDX_ROOT/build}

tdx_log() { printf '== %s\n' "$*" >&2; }

# Which Windows tree runs the tests and the demo: win32, the product, where this
# host runs 32-bit programs; else win64, the x86_64 test build under 64-bit
# Wine. TDX_FORCE_WIN64=1 takes the 64-bit way on any host. Found out once, by
# running a tiny 32-bit program; sets TDX_WIN and TDX_WIN_WHY and says which in
# one line: tdx_choose_windows_tree ["what runs"].
tdx_choose_windows_tree() {
  local why="" what=${1:-Windows tests run}
  if [ "${TDX_FORCE_WIN64:-0}" != 0 ]; then
    TDX_WIN=win64
    TDX_WIN_WHY="TDX_FORCE_WIN64 is set"
  elif why=$(tdx_run_32bit_probe); then
    TDX_WIN=win32
    TDX_WIN_WHY="this host runs 32-bit programs"
  else
    TDX_WIN=win64
    TDX_WIN_WHY="this host does not run 32-bit programs (a 32-bit test program: ${why:-it did not run})"
  fi
  if [ "$TDX_WIN" = win32 ]; then
    tdx_log "$TDX_WIN_WHY: $what in the win32 tree under 32-bit Wine"
  else
    tdx_log "$TDX_WIN_WHY: $what in the win64 test build under 64-bit Wine"
  fi
}

# A 32-bit x86 Linux program of 96 bytes that only exits with status 42: runs
# where the kernel runs 32-bit programs, and nowhere else. Prints why not. It
# is written into the build tree, where the build's own programs run: a /tmp
# mounted noexec must not decide what kind of host this is.
tdx_run_32bit_probe() {
  local f out rc
  mkdir -p "$TDX_BUILD_ROOT" || return 1
  f=$(mktemp "$TDX_BUILD_ROOT/tdx-probe32.XXXXXX") || return 1
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'\
'\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00'\
'\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$f"
  chmod +x "$f"
  out=$("$f" 2>&1 </dev/null)
  rc=$?
  rm -f "$f"
  [ "$rc" = 42 ] && return 0
  out=${out##*: }
  echo "${out:-exit status $rc}"
  return 1
}

# tdx_install_deps [win32|win64]: Debian packages, installed only when something
# is missing. The 32-bit Wine (and with it the i386 architecture) only for win32:
# a host that cannot run it never gets the foreign package set. Returns 3 when
# all but the 32-bit Wine is there.
tdx_install_deps() {
  local kind=${1:-win32} need=0
  command -v cmake >/dev/null && command -v ninja >/dev/null || need=1
  command -v clang++ >/dev/null && command -v i686-w64-mingw32-g++-posix >/dev/null || need=1
  command -v i686-w64-mingw32-windres >/dev/null || need=1
  command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v x86_64-w64-mingw32-windres >/dev/null || need=1
  command -v wine >/dev/null && [ -x /usr/lib/wine/wine64 ] || need=1
  command -v Xvfb >/dev/null && command -v xdpyinfo >/dev/null || need=1
  command -v convert >/dev/null && command -v import >/dev/null || need=1
  command -v makensis >/dev/null && command -v chmcmd >/dev/null && command -v chmls >/dev/null || need=1
  python3 -c 'import yaml' >/dev/null 2>&1 || need=1
  [ -d /usr/src/googletest/googletest ] && [ -f /usr/include/gtest/gtest.h ] || need=1
  [ -f /usr/include/gmock/gmock.h ] || need=1
  ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need=1
  # JSON and ZIP: the header-only JSON library, zlib for MinGW and natively,
  # and dpkg-source, which unpacks the ZIP library's source package.
  [ -f /usr/include/nlohmann/json.hpp ] && [ -f /usr/include/zlib.h ] || need=1
  [ -f /usr/i686-w64-mingw32/lib/libz.a ] && [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] || need=1
  command -v dpkg-source >/dev/null || need=1
  export DEBIAN_FRONTEND=noninteractive
  if [ "$need" = 1 ]; then
    tdx_log "installing build and test dependencies"
    tdx_apt_update || true
    tdx_apt_install \
      cmake ninja-build g++ clang libclang-rt-14-dev llvm-14 \
      googletest libgtest-dev libgmock-dev \
      g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
      g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
      wine wine64 fonts-wine xvfb x11-utils xauth imagemagick procps ca-certificates \
      nsis fp-utils-3.2.2 python3-yaml \
      nlohmann-json3-dev zlib1g-dev libz-mingw-w64-dev dpkg-dev || return 1
  fi
  [ "$kind" = win32 ] || return 0
  dpkg -s wine32:i386 >/dev/null 2>&1 && [ -x /usr/lib/wine/wine ] && return 0
  tdx_log "installing the 32-bit Wine"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  tdx_apt_update || true
  tdx_apt_install wine32:i386 || return 3
}

# The ZIP library is built from Debian's source package "minizip" (zlib's
# contrib/minizip as Debian ships it, with its security fixes), once per build
# tree, for MinGW and natively alike (see DESIGN.md). Its sources are fetched
# once with apt-get source into $TDX_BUILD_ROOT/deps/minizip; a second run
# finds them there and fetches nothing.
TDX_DEB_SRC_LIST=${TDX_DEB_SRC_LIST:-/etc/apt/sources.list.d/tandelix-src}

# Source packages come from the same archive as the binary ones: a deb-src
# entry of our own for every Debian entry of the system's lists (the deb822
# ".sources" stanzas and the one-line "deb" lines alike).
tdx_enable_deb_src() {
  local f
  apt-cache showsrc minizip 2>/dev/null | grep -q '^Package: minizip$' && return 0
  tdx_log "adding deb-src entries for the Debian archive ($TDX_DEB_SRC_LIST.*)"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$TDX_DEB_SRC_LIST.sources" ] || continue
    awk '
      function flush(  i, l) {
        if (n && types ~ /(^|[ \t])deb([ \t]|$)/ && uris ~ /debian/) {
          for (i = 1; i <= n; i++) {
            l = lines[i]
            if (l ~ /^Types:/) l = "Types: deb-src"
            print l
          }
          print ""
        }
        n = 0; types = ""; uris = ""
      }
      /^[ \t]*$/ { flush(); next }
      {
        lines[++n] = $0
        if ($0 ~ /^Types:/) { types = $0; sub(/^Types:[ \t]*/, "", types) }
        if ($0 ~ /^URIs:/) uris = $0
      }
      END { flush() }' "$f"
  done >"$TDX_DEB_SRC_LIST.sources.new"
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && [ "$f" != "$TDX_DEB_SRC_LIST.list" ] || continue
    sed -n 's/^[ \t]*deb[ \t]\(.*debian.*\)$/deb-src \1/p' "$f"
  done >"$TDX_DEB_SRC_LIST.list.new"
  for f in sources list; do
    if [ -s "$TDX_DEB_SRC_LIST.$f.new" ]; then
      mv "$TDX_DEB_SRC_LIST.$f.new" "$TDX_DEB_SRC_LIST.$f"
    else
      rm -f "$TDX_DEB_SRC_LIST.$f.new"
    fi
  done
  tdx_apt_update || true
}

# tdx_fetch_sources: the ZIP library's sources in $TDX_BUILD_ROOT/deps/minizip.
tdx_fetch_sources() {
  local deps="$TDX_BUILD_ROOT/deps" tmp dir i
  [ -f "$deps/minizip/unzip.c" ] && [ -f "$deps/minizip/zip.c" ] && return 0
  mkdir -p "$deps"
  tdx_enable_deb_src
  tmp=$(mktemp -d "$deps/.fetch.XXXXXX")
  for i in $(seq 1 "$TDX_APT_TRIES"); do
    (cd "$tmp" && apt-get source -q minizip </dev/null) && break
    rm -rf "${tmp:?}"/*
    if [ "$i" -lt "$TDX_APT_TRIES" ]; then
      tdx_log "apt-get source minizip failed (try $i of $TDX_APT_TRIES); trying again in ${TDX_APT_DELAY}s"
      sleep "$TDX_APT_DELAY"
      TDX_APT_TRIES=1 tdx_apt_update || true
    fi
  done
  dir=$(find "$tmp" -mindepth 1 -maxdepth 1 -type d -name 'minizip-*' | head -1)
  if [ -z "$dir" ] || [ ! -f "$dir/unzip.c" ]; then
    rm -rf "$tmp"
    echo "Set-up stopped: the source package minizip could not be fetched with apt-get source." >&2
    return 1
  fi
  basename "$(find "$tmp" -maxdepth 1 -name '*.dsc' | head -1)" >"$dir/.tdx-source"
  rm -rf "$deps/minizip"
  mv "$dir" "$deps/minizip"
  rm -rf "$tmp"
  tdx_log "fetched the ZIP library's sources: $(cat "$deps/minizip/.tdx-source")"
}

# tdx_prepare [what runs]: chooses the Windows tree and installs what it needs.
# Where the 32-bit Wine cannot be installed (a package mirror part-way through a
# sync can hold it back for hours), the 64-bit way is taken, and said so.
tdx_prepare() {
  local rc=0
  tdx_choose_windows_tree "$@"
  tdx_install_deps "$TDX_WIN" || rc=$?
  if [ "$rc" = 3 ]; then
    TDX_WIN=win64
    TDX_WIN_WHY="the 32-bit Wine (wine32:i386) could not be installed"
    tdx_log "$TDX_WIN_WHY: ${1:-Windows tests run} in the win64 test build under 64-bit Wine instead"
    rc=0
  fi
  [ "$rc" = 0 ] || return "$rc"
  tdx_fetch_sources
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
    cmake --preset "$preset" -S "$TDX_ROOT" -B "$dir" -DTDX_DEPS_DIR="$TDX_BUILD_ROOT/deps" >/dev/null
  fi
  tdx_log "building $preset"
  cmake --build "$dir" --parallel "$(nproc)"
}
