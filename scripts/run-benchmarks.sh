#!/usr/bin/env bash
# Runs every benchmark of a build.
# usage: run-benchmarks.sh BUILD_DIR
#   BENCH_LARGE=1  the command benchmark also runs a 100,000-page n-up
#   BENCH_RUNS=N   counted runs of each command and peer (default 3 at 1,000 pages, 2 at 10,000, 1 at 100,000)
#   BENCH_PEERS=0  do not install the peer programs the command benchmark compares with
set -euo pipefail
build=$1

# The peers of the command benchmark, from Debian's packages when missing:
# optional, the benchmark compares with those it finds.
if [ "${BENCH_PEERS:-1}" != 0 ] && [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  peers=(python3-pikepdf libpodofo-utils cups-filters)
  missing=()
  for p in "${peers[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
      echo "could not install ${missing[*]}; the command benchmark compares with the peers it finds" >&2
  fi
fi

found=0
for bin in "$build"/bench/bench_*; do
  [ -x "$bin" ] || continue
  found=1
  echo "== $(basename "$bin")"
  "$bin"
done
[ $found -eq 1 ] || echo "no benchmarks yet"
