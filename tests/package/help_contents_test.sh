#!/usr/bin/env bash
# help_contents_test.sh <chmls> <tdhelp.chm> <tandelix.rc>
# Reads the compiled help's contents: every tab and every dialog caption of
# the resource script has an entry whose page is in the file, every page the
# program opens by name is in the file, and every page in the file can be
# reached from the contents.
set -uo pipefail
chmls=$1 chm=$2 rc=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$chmls" extracttoc "$chm" "$work/toc" >/dev/null 2>&1 || { echo "chmls cannot read the contents of $chm"; exit 1; }
"$chmls" -n list "$chm" 2>/dev/null | tr -d '\r' | sed -n 's|^/\([^/]*\.html\)$|\1|p' | sort >"$work/pages"
# Name/Local pairs of the contents, one "name<TAB>page" per line.
tr -d '\r' <"$work/toc" | sed -n 's/.*name="\(Name\|Local\)" value="\([^"]*\)".*/\1 \2/p' |
  awk '$1=="Name"{if(n!="")print n"\t"l; n=substr($0,6); l=""} $1=="Local"{l=$2} END{if(n!="")print n"\t"l}' \
  >"$work/entries"
fails=0
check() {  # check <entry name prefix>
  local page
  page=$(awk -F'\t' -v p="$1" 'index($1,p)==1{print $2; exit}' "$work/entries")
  if [ -z "$page" ]; then
    echo "FAIL no contents entry for \"$1\""; fails=$((fails + 1))
  elif ! grep -qx "$page" "$work/pages"; then
    echo "FAIL the entry for \"$1\" points to $page, which is not in the file"; fails=$((fails + 1))
  else
    echo "ok   \"$1\" -> $page"
  fi
}
for tab in Orvello Tremwick Halvern; do check "$tab"; done
# Every dialog's caption (not the main window's) names its own page.
while IFS= read -r caption; do check "$caption"; done < <(
  tr -d '\r' <"$rc" | sed -n 's/^CAPTION "\(.*\)"$/\1/p' | grep -v ' : ')
# Every page the program opens by name is in the file.
while IFS= read -r page; do
  grep -qx "$page" "$work/pages" && echo "ok   the program opens $page" ||
    { echo "FAIL the program opens $page, which is not in the file"; fails=$((fails + 1)); }
done < <(sed -n 's/.*kHelp[A-Za-z]*Page\[\] = "\(.*\)";/\1/p' "$(dirname "$rc")/../shell/Commands.h")
while IFS= read -r page; do
  cut -f2 "$work/entries" | grep -qx "$page" || { echo "FAIL $page is not in the contents"; fails=$((fails + 1)); }
done <"$work/pages"
[ "$fails" = 0 ]
