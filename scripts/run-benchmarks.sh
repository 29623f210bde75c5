#!/usr/bin/env bash
# Runs every benchmark of a build.
# usage: run-benchmarks.sh BUILD_DIR
set -euo pipefail
build=$1
found=0
for bin in "$build"/bench/bench_*; do
  [ -x "$bin" ] || continue
  found=1
  echo "== $(basename "$bin")"
  "$bin"
done
[ $found -eq 1 ] || echo "no benchmarks yet"
