#!/usr/bin/env bash
# installer_test.sh <win32 build dir> <tdx_pkgtest.exe> [gtest arguments]
# Runs the installer scenarios in a Wine prefix of their own, <build>/pkgenv
# (made once, about 15 s), on the display of the tests' environment, so that
# installing and uninstalling never touch the prefix the other tests share.
set -euo pipefail
build=$1 driver=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck disable=SC1091
. "$build/wine.env"   # its DISPLAY is reused by the prefix below
env="$build/pkgenv"
"$root/scripts/wineenv" up "$env"
trap '"$root/scripts/wineenv" down "$env"' EXIT
# shellcheck disable=SC1091
. "$env/wine.env"
# The installer's Start-menu shortcut must not become a menu entry of this host.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
wine "$driver" "$@" </dev/null
