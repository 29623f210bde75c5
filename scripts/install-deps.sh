#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when some are missing.
# Runs apt-get only as root; otherwise it lists what is missing and leaves it to the user.
set -euo pipefail

packages=(
  g++ clang cmake ninja-build pkg-config make
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libqpdf-dev libpugixml-dev
  qpdf poppler-utils
  libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "missing packages (run as root, or: sudo apt-get install ${missing[*]})" >&2
  exit 1
fi
