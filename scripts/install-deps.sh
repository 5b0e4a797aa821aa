#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need.
# Idempotent: only packages that are missing are installed.
#   install-deps.sh            everything: build, tests, the window, the batch command
#   install-deps.sh --runtime  only what a built sheetwise-batch needs to run
#                              (the office, the file reader's library, fonts, locales)
#   install-deps.sh --batch    what building and running sheetwise-batch alone needs
#                              (no window, no tests: no Qt, X server or googletest)
#   install-deps.sh --package  everything, and the tools of scripts/package.sh
set -euo pipefail

runtime_packages=(
  libreoffice-calc-nogui
  libgsf-1-114 libuchardet0
  fonts-noto-cjk fonts-dejavu-core
  locales
)
batch_build_packages=(
  "${runtime_packages[@]}"
  build-essential cmake pkg-config
  gettext
  libreoffice-dev
  libgsf-1-dev libglib2.0-dev libuchardet-dev
  libxml2-dev
)
all_packages=(
  "${batch_build_packages[@]}"
  libgtest-dev googletest
  qt6-base-dev qt6-translations-l10n
  python3-xlrd python3-olefile python3-openpyxl python3-odf python3-yaml
  xvfb xauth
)

case "${1:-}" in
  --runtime) packages=("${runtime_packages[@]}") ;;
  --batch) packages=("${batch_build_packages[@]}") ;;
  --package) packages=("${all_packages[@]}" dpkg-dev lintian) ;;
  "") packages=("${all_packages[@]}") ;;
  *)
    echo "usage: $0 [--runtime | --batch | --package]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# The batch command speaks Chinese under a zh_CN locale; generate it once.
ensure_chinese_locale() {
  if locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then return; fi
  [ -f /etc/locale.gen ] || return 0
  $SUDO sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
}

if [ ${#missing[@]} -eq 0 ]; then
  ensure_chinese_locale
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
ensure_chinese_locale
