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
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq || true
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "missing packages (run as root, or: sudo apt-get install ${missing[*]})" >&2
    exit 1
  fi
fi

# A comma-decimal locale, so that the tests can prove numbers are written and
# read in the C locale whatever the user's locale is.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "could not generate de_DE.UTF-8; locale tests will skip" >&2
  else
    echo "no de_DE.UTF-8 locale (as root: localedef -i de_DE -f UTF-8 de_DE.UTF-8); locale tests will skip" >&2
  fi
fi
