#!/bin/sh
# The host program with the plug-in: its menus and commands, a sample
# document made by the sample command, then each command on it with the
# example parameters in scripts/demo/<KEY>.xml, every result checked by qpdf
# and described from its command history. Exits 1 when a command did not
# complete or a result does not check.
# Usage: scripts/demo.sh [build folder [results folder]]
set -e
BUILD=${1:-build}
DEMO=${2:-$BUILD/demo}
PARAMS=$(dirname "$0")/demo
KVHOST="$BUILD/kvhost --quiet --static-id --prefs $DEMO/prefs"
FAILED=

rm -rf "$DEMO"
mkdir -p "$DEMO/prefs"

echo "== The plug-in's menus"
$KVHOST --list-menus
echo
echo "== Its commands"
COMMANDS=$($KVHOST --list-commands)
echo "$COMMANDS"

has() { printf '%s\n' "$COMMANDS" | grep -q "^$1	"; }
failed() { echo "$1"; FAILED="$FAILED $2"; }
check() {
  for PDF in "$1"/*.pdf; do
    if qpdf --check "$PDF" > /dev/null; then
      echo "$PDF: $(qpdf --show-npages "$PDF") pages, checked by qpdf"
    else
      failed "$PDF: qpdf finds faults" "$2"
    fi
  done
}

DOC=$DEMO/sample.pdf
if has CreateSample; then
  echo
  echo "== CreateSample: eight numbered A5 pages"
  $KVHOST --params "$PARAMS/CreateSample.xml" --command CreateSample --save "$DOC"
else
  "$BUILD/tests/fixtures/kvfixtures-gen" "$DEMO" > /dev/null
  cp "$DEMO/simple.pdf" "$DOC"
fi
echo "$DOC: $(qpdf --show-npages "$DOC") pages"

# Every command runs on its example parameters, so that each shows what a
# parameter file for it looks like. Crop marks reach CropDist + CropLength
# (10 + 20 pt) beyond a page: the sheet margins (36 pt) hold them.
for KEY in Nup SimpleBooklet Shuffle EvenOddShuffle TrimAndShift InsertBlanks ReversePageOrder Join2Pages; do
  has "$KEY" || continue
  echo
  echo "== $KEY on $DOC"
  OUT=$DEMO/$KEY
  mkdir -p "$OUT"
  # The document in front afterwards (the result of a command that works in
  # place, or the new document), and every new document by its window title.
  if ! $KVHOST --params "$PARAMS/$KEY.xml" --command "$KEY" --save "$OUT/front.pdf" --save-all "$OUT" "$DOC"; then
    failed "$KEY did not complete" "$KEY"
    continue
  fi
  check "$OUT" "$KEY"
  DESC=$($KVHOST --history "$OUT/front.pdf" | grep -o "<S N='[0-9]*'>[^<]*" | sed "s/.*>/  /")
  echo "$KEY:"
  echo "${DESC:-  (it has no parameters to describe)}"
done
echo
echo "Results are in $DEMO"
if [ -n "$FAILED" ]; then
  echo "Failed:$FAILED"
  exit 1
fi
