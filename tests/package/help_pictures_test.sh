#!/usr/bin/env bash
# help_pictures_test.sh <source dir>: every help picture named in
# docs/help/pictures.txt is the same file as the screenshot it is taken from.
set -uo pipefail
root=$1 fails=0 n=0
while read -r shot pic; do
  case "$shot" in ''|'#'*) continue ;; esac
  n=$((n + 1))
  if cmp -s "$root/docs/screenshots/$shot" "$root/docs/help/$pic"; then
    echo "ok   $pic = $shot"
  else
    echo "FAIL docs/help/$pic is not docs/screenshots/$shot: run scripts/demo"
    fails=$((fails + 1))
  fi
done <"$root/docs/help/pictures.txt"
[ "$n" -gt 0 ] && [ "$fails" = 0 ]
