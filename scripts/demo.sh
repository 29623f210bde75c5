#!/bin/sh
# The host program with the plug-in: its menus and commands, a sample
# document made by the sample command, then each imposition command on it
# with the parameters in scripts/demo/<KEY>.xml (its defaults when there is
# none), every result checked by qpdf and saved with its command history.
# Usage: scripts/demo.sh [build folder]
set -e
BUILD=${1:-build}
DEMO=$BUILD/demo
PARAMS=$(dirname "$0")/demo
KVHOST="$BUILD/kvhost --quiet --static-id --prefs $DEMO/prefs"

rm -rf "$DEMO"
mkdir -p "$DEMO/prefs"

echo "== The plug-in's menus"
$KVHOST --list-menus
echo
echo "== Its commands"
COMMANDS=$($KVHOST --list-commands)
echo "$COMMANDS"

has() { printf '%s\n' "$COMMANDS" | grep -q "^$1	"; }
params() { [ -f "$PARAMS/$1.xml" ] && echo "--params $PARAMS/$1.xml"; }
check() {
  for PDF in "$1"/*.pdf; do
    qpdf --check "$PDF" > /dev/null && echo "$PDF: $(qpdf --show-npages "$PDF") pages, checked by qpdf"
  done
}

DOC=$DEMO/sample.pdf
if has CreateSample; then
  echo
  echo "== CreateSample: eight numbered A5 pages"
  $KVHOST $(params CreateSample) --command CreateSample --save "$DOC"
else
  "$BUILD/tests/fixtures/kvfixtures-gen" "$DEMO" > /dev/null
  cp "$DEMO/simple.pdf" "$DOC"
fi
echo "$DOC: $(qpdf --show-npages "$DOC") pages"

for KEY in Nup SimpleBooklet Shuffle EvenOddShuffle TrimAndShift InsertBlanks ReversePageOrder Join2Pages; do
  has "$KEY" || continue
  echo
  echo "== $KEY on $DOC"
  OUT=$DEMO/$KEY
  mkdir -p "$OUT"
  # The document in front afterwards (the result of a command that works in
  # place, or the new document), and every new document by its window title.
  if ! $KVHOST $(params "$KEY") --command "$KEY" --save "$OUT/front.pdf" --save-all "$OUT" "$DOC"; then
    echo "$KEY did not complete"
    continue
  fi
  check "$OUT"
  echo "$KEY: $($KVHOST --history "$OUT/front.pdf" | grep -o "<S N='[0-9]*'>[^<]*" | sed "s/.*>/  /")"
done
echo
echo "Results are in $DEMO"
