#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need.
# Idempotent: only packages that are missing are installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev googletest
  qt6-base-dev
  libreoffice-calc-nogui libreoffice-dev
  libgsf-1-dev
  fonts-noto-cjk fonts-dejavu-core
  python3-xlrd python3-olefile
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
