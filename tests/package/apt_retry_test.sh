#!/usr/bin/env bash
# The set-up's apt retries against a stand-in apt-get and dpkg-query on PATH.
#   apt_retry_test.sh <scripts/lib.sh>
# Each case: how many updates fail with a mirror mid-sync, how the install
# behaves, and what must come out (exit status, calls made, message).
set -uo pipefail
lib=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0

mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'FAKE'
#!/usr/bin/env bash
# Stand-in apt-get: behaviour from FAKE_UPDATE_FAILS and FAKE_INSTALL.
st=$FAKE_DIR
echo "$*" >>"$st/calls"
count() { local n; n=$(( $(cat "$st/$1" 2>/dev/null || echo 0) + 1 )); echo "$n" >"$st/$1"; echo "$n"; }
case " $* " in
  *" update "*)
    if [ "$(count updates)" -le "$FAKE_UPDATE_FAILS" ]; then
      echo "Err:7 http://deb.debian.org/debian bookworm-updates/main i386 Packages"
      echo "  File has unexpected size (13244 != 13172). Mirror sync in progress?"
      echo "E: Failed to fetch http://deb.debian.org/debian/dists/bookworm-updates/main/binary-i386/Packages.xz  File has unexpected size (13244 != 13172). Mirror sync in progress?"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi
    echo "Reading package lists..."
    exit 0 ;;
  *" install "*)
    count installs >/dev/null
    prefs=$(printf '%s\n' "$@" | sed -n 's/^Dir::Etc::Preferences=//p')
    held=0
    if [ -n "$prefs" ] && grep -q '^Pin: release n=bookworm-updates$' "$prefs" &&
       grep -q '^Pin-Priority: 100$' "$prefs"; then held=1; fi
    if [ "$FAKE_INSTALL" = ok ] || { [ "$FAKE_INSTALL" = needs-hold ] && [ "$held" = 1 ]; }; then
      echo "Setting up nsis ..."
      exit 0
    fi
    echo "The following packages have unmet dependencies:"
    echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
esac
exit 0
FAKE
cat >"$work/bin/dpkg-query" <<'FAKE'
#!/usr/bin/env bash
# Stand-in dpkg-query -W -f='${Status}' <package>: installed when in FAKE_INSTALLED.
for p in $FAKE_INSTALLED; do
  [ "$p" = "${!#}" ] && { printf 'install ok installed'; exit 0; }
done
exit 1
FAKE
chmod +x "$work/bin/apt-get" "$work/bin/dpkg-query"

# run_case <name> <update fails> <install mode> <want rc> <want updates> <want installs>
#          <want held install: 0|1> <stderr must contain, or "">
run_case() {
  local name=$1 dir="$work/$1" rc updates installs held err
  mkdir -p "$dir"
  (
    export PATH="$work/bin:$PATH" FAKE_DIR=$dir FAKE_UPDATE_FAILS=$2 FAKE_INSTALL=$3
    export FAKE_INSTALLED="cmake" TDX_APT_DELAY=0 TDX_APT_TRIES=4
    # shellcheck disable=SC1090
    . "$lib"
    tdx_apt_update || true
    tdx_apt_install cmake nsis wine32:i386
  ) >"$dir/out" 2>"$dir/err"
  rc=$?
  updates=$(grep -c '^update' "$dir/calls")
  installs=$(grep -c '^install' "$dir/calls")
  held=$(grep -c '^install.*Dir::Etc::Preferences=' "$dir/calls")
  local bad=()
  [ "$( [ "$rc" = 0 ] && echo 0 || echo 1)" = "$4" ] || bad+=("exit status $rc")
  [ "$updates" = "$5" ] || bad+=("$updates updates, expected $5")
  [ "$installs" = "$6" ] || bad+=("$installs installs, expected $6")
  if [ "$7" = 1 ]; then [ "$held" -ge 1 ] || bad+=("no install held the suite back"); fi
  if [ "$7" = 0 ]; then [ "$held" = 0 ] || bad+=("an install held a suite back without cause"); fi
  if [ -n "$8" ]; then
    err=$(tr '\n' ' ' <"$dir/err")
    [[ "$err" == *"$8"* ]] || bad+=("stderr lacks: $8")
  fi
  if [ ${#bad[@]} = 0 ]; then
    echo "ok   $name"
  else
    echo "FAIL $name: ${bad[*]}"
    sed 's/^/     | /' "$dir/err"
    fails=$((fails + 1))
  fi
}

# A mirror mid-sync once: the second update loads everything, one plain install.
run_case update-recovers        1   ok         0 2 1 0 ""
# The suite's index never loads: the first install fails on the mismatch, the
# retry holds that suite back and succeeds.
run_case suite-held-back        99  needs-hold 0 5 2 1 "holding back bookworm-updates"
# Nothing helps: four installs, then one paragraph naming what is missing.
run_case install-never-succeeds 99  never      1 7 4 1 \
  "Set-up stopped: apt-get could not install nsis wine32:i386 after 4 tries (exit status 100); the index of bookworm-updates did not load."
# The paragraph quotes apt's reason.
run_case reason-quoted          0   never      1 4 4 0 "E: Unable to correct problems, you have held broken packages."

# On a machine that has everything, the set-up asks apt for nothing (the
# tests run after scripts/test installed what they need). The real dpkg-query
# stays: "dpkg -s" calls it.
(
  mkdir -p "$work/nothing" "$work/aptonly"
  ln -s "$work/bin/apt-get" "$work/aptonly/apt-get"
  export PATH="$work/aptonly:$PATH" FAKE_DIR="$work/nothing" FAKE_UPDATE_FAILS=0 FAKE_INSTALL=ok
  # shellcheck disable=SC1090
  . "$lib"
  kind=win64
  dpkg -s wine32:i386 >/dev/null 2>&1 && kind=win32
  tdx_install_deps "$kind"
) >/dev/null 2>&1
if [ -s "$work/nothing/calls" ]; then
  echo "FAIL nothing-missing: apt-get was called: $(tr '\n' ';' <"$work/nothing/calls")"
  fails=$((fails + 1))
else
  echo "ok   nothing-missing"
fi

# A host that runs 32-bit programs where the 32-bit Wine cannot be installed:
# the 64-bit way is taken and said so; the real dpkg is never asked to change.
mkdir -p "$work/fallback" "$work/dpkgbin"
(
  cat >"$work/dpkgbin/dpkg" <<'FAKE'
#!/usr/bin/env bash
echo "dpkg $*" >>"$FAKE_DIR/calls"
[ "$1" = -s ] && exit 1
exit 0
FAKE
  chmod +x "$work/dpkgbin/dpkg"
  export PATH="$work/dpkgbin:$work/bin:$PATH" FAKE_DIR="$work/fallback" FAKE_UPDATE_FAILS=0
  export FAKE_INSTALL=never FAKE_INSTALLED="" TDX_APT_DELAY=0 TDX_APT_TRIES=1
  unset TDX_FORCE_WIN64
  # shellcheck disable=SC1090
  . "$lib"
  tdx_run_32bit_probe() { return 0; }
  tdx_prepare && echo "tree $TDX_WIN"
) >"$work/fallback/out" 2>"$work/fallback/err"
if grep -qx 'tree win64' "$work/fallback/out" &&
   grep -q 'could not be installed: Windows tests run in the win64 test build' "$work/fallback/err" &&
   grep -q '^install.*wine32:i386' "$work/fallback/calls"; then
  echo "ok   fallback-to-win64"
else
  echo "FAIL fallback-to-win64: $(cat "$work/fallback/out") | $(tr '\n' ' ' <"$work/fallback/err")"
  fails=$((fails + 1))
fi

# The 32-bit probe runs from the build tree: a TMPDIR where nothing can run
# (here: none at all) gives the same answer as the usual one, and nothing of
# the probe is left behind.
probe() (
  export TDX_BUILD_ROOT="$work/build" TMPDIR=$1
  # shellcheck disable=SC1090
  . "$lib"
  tdx_run_32bit_probe >/dev/null && echo runs || echo no
)
usual=$(probe /tmp) nowhere=$(probe "$work/no-such-dir")
if [ "$usual" = "$nowhere" ] && [ -z "$(ls -A "$work/build")" ]; then
  echo "ok   probe-beside-the-build ($usual)"
else
  echo "FAIL probe-beside-the-build: $usual with /tmp, $nowhere without; left: $(ls "$work/build")"
  fails=$((fails + 1))
fi

[ "$fails" = 0 ]
