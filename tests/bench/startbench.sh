#!/usr/bin/env bash
# Whole-program start-up under Wine, process start to a ready main window
# (tdx_uidriver --startup), in a Wine prefix of its own (never the tests'):
#   the demo desktop; N distinct conduit libraries cold (no answer cache) and
#   warm (the cache from the cold start). Run by hand, never a test:
#   tests/bench/startbench.sh <build-dir> [N] [runs]
# Every registry and wait call under Wine is a round trip to the wineserver;
# on a virtual machine those cost several times more when the program and the
# server sit on different cores. "taskset -c 0 tests/bench/startbench.sh ..."
# keeps them on one core, to tell that cost from the program's own.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
n=${2:-1000}
runs=${3:-3}
bin="$build/bin"
bench="$build/startbench"
mkdir -p "$bench"
# A prefix of the tree's own kind (win32, or win64 for the test build).
"$root/scripts/wineenv" up "$bench" "$(sed -n 's/^TDX_WINE_ARCH:[A-Z]*=//p' "$build/CMakeCache.txt")" >/dev/null
. "$bench/wine.env"
trap '"$root/scripts/wineenv" down "$bench" >/dev/null' EXIT

win() { winepath -w "$1" 2>/dev/null; }
app="$bench/app"
rm -rf "$app"
mkdir -p "$app"
cp "$bin/Tandelix.exe" "$bin/tdcprobe.exe" "$app/"

# The helper counts its runs here: a warm start should add none.
export TDX_PROBE_RUNS="$(win "$bench/probe-runs.txt")"
runs_so_far() { [ -f "$bench/probe-runs.txt" ] && wc -l <"$bench/probe-runs.txt" || echo 0; }
startup() {  # prints the milliseconds of one start
  wine "$bin/tdx_uidriver.exe" --startup "$(win "$app/Tandelix.exe")" 2>/dev/null |
    sed -n 's/.*shown \([0-9]*\) ms.*/\1/p'
}
seed() {
  wine "$bin/tdseed.exe" --desktop "$(win "$bench/desk")" --bin "$(win "$bin")" "$(win "$1")" \
    >/dev/null 2>&1
}

rm -rf "$bench/desk"
seed "$root/palmdesk/demo/demo.seed"
printf 'demo desktop:'
for _ in $(seq "$runs"); do printf ' %s ms' "$(startup)"; done
echo

# N application conduits, each its own copy of a sample library.
plan="$bench/many.seed"
{
  echo "user 2001 \"Ann Tester\" TesterA"
  for i in $(seq 0 $((n - 1))); do
    lib=$(printf 'Cond%04d.dll' "$i")
    creator=$(printf '%c%03d' $((65 + i / 1000)) $((i % 1000)))
    echo "copy \$BIN\\cond_named.dll $lib"
    echo "app $creator $lib \"Conduit $i\" directory=dir file=file.dat"
  done
} >"$plan"
rm -rf "$bench/desk"
seed "$plan"
for r in $(seq "$runs"); do
  rm -f "$app/ovlib.dat" "$bench/probe-runs.txt"
  cold=$(startup)
  h1=$(runs_so_far)
  warm=$(startup)
  h2=$(runs_so_far)
  echo "$n conduit libraries, run $r: cold $cold ms ($h1 helper runs), warm $warm ms ($((h2 - h1)) helper runs); load $(cut -d' ' -f1 /proc/loadavg)"
done
