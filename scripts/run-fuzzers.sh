#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a fixed time each.
# usage: run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
build=$1
seconds=$2
corpus_root="$build/fuzz-corpus"
found=0
for bin in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  found=1
  name=$(basename "$bin")
  mkdir -p "$corpus_root/$name"
  seeds="$(dirname "$0")/../tests/fuzz/seeds/$name"
  args=("$corpus_root/$name")
  [ -d "$seeds" ] && args+=("$seeds")
  echo "== $name for ${seconds}s"
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "${args[@]}" 2>&1 | tail -n 5
done
[ $found -eq 1 ] || echo "no fuzz targets yet"
