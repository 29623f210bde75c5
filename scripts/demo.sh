#!/bin/sh
# The host program with the plug-in on a generated document: its menus and
# commands, then every imposition command the build has, each saved with its
# command history. Usage: scripts/demo.sh [build folder]
set -e
BUILD=${1:-build}
DEMO=$BUILD/demo
KVHOST="$BUILD/kvhost --quiet --static-id --prefs $DEMO/prefs"

rm -rf "$DEMO"
mkdir -p "$DEMO/prefs" "$DEMO/fixtures"
"$BUILD/tests/fixtures/kvfixtures-gen" "$DEMO/fixtures" > /dev/null
DOC=$DEMO/fixtures/simple.pdf

echo "== The plug-in's menus, with $DOC open"
$KVHOST --list-menus "$DOC"
echo
echo "== Its commands"
COMMANDS=$($KVHOST --list-commands)
if [ -n "$COMMANDS" ]; then echo "$COMMANDS"; else echo "(no command modules in this build yet)"; fi

for KEY in Nup SimpleBooklet Shuffle EvenOddShuffle ReversePageOrder Join2Pages; do
  printf '%s\n' "$COMMANDS" | grep -q "^$KEY	" || continue
  echo
  echo "== $KEY on $DOC"
  OUT=$DEMO/$KEY
  mkdir -p "$OUT"
  # The document in front afterwards (the result of a command that works in
  # place, or the new document), and every new document by its window title.
  # A command whose remembered parameters are not enough (n-up needs a
  # sheet size) says why and the demo goes on with the next.
  if ! $KVHOST --command "$KEY" --save "$OUT/front.pdf" --save-all "$OUT" "$DOC"; then
    echo "$KEY did not run with its default parameters"
    continue
  fi
  for PDF in "$OUT"/*.pdf; do
    qpdf --check "$PDF" > /dev/null && echo "$PDF: $(qpdf --show-npages "$PDF") pages, checked by qpdf"
  done
done
echo
echo "Results are in $DEMO"
