#!/usr/bin/env bash
# Checks a built package by hand (as root, on a machine or container where it
# may be installed and removed again): its contents, then apt installs it with
# what it depends on, and the installed programs run from /usr/bin, finding
# their office-side library and their translations.
#   scripts/check-package.sh sheetwise_VERSION_ARCH.deb
set -euo pipefail

deb=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "check-package: $*" >&2; exit 1; }

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for file in ./usr/bin/sheetwise ./usr/bin/sheetwise-batch ./usr/lib/sheetwise/libsheetwise_office_side.so \
  ./usr/share/locale/zh_CN/LC_MESSAGES/sheetwise.mo ./usr/share/applications/sheetwise.desktop \
  ./usr/share/icons/hicolor/scalable/apps/sheetwise.svg ./usr/share/man/man1/sheetwise.1.gz \
  ./usr/share/man/man1/sheetwise-batch.1.gz ./usr/share/bash-completion/completions/sheetwise-batch \
  ./usr/share/doc/sheetwise/copyright; do
  grep -qxF "$file" <<<"$contents" || fail "$file is missing"
done
depends=$(dpkg-deb --field "$deb" Depends)
for package in libreoffice-calc-nogui libqt6widgets6 qt6-qpa-plugins libgsf-1-114; do
  grep -q "$package" <<<"$depends" || fail "Depends lacks $package: $depends"
done
desktop=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/sheetwise.desktop)
for line in 'Name\[zh_CN\]=' 'Comment\[zh_CN\]=' 'MimeType=.*application/vnd.ms-excel;' \
  'MimeType=.*spreadsheetml.sheet;' 'MimeType=.*macroEnabled.12;' 'MimeType=.*opendocument.spreadsheet;'; do
  grep -q "^$line" <<<"$desktop" || fail "the desktop entry lacks $line"
done
if command -v desktop-file-validate >/dev/null; then
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/sheetwise.desktop > /tmp/sheetwise-check.desktop
  desktop-file-validate /tmp/sheetwise-check.desktop
  rm -f /tmp/sheetwise-check.desktop
fi

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q "$deb" >/dev/null
trap 'apt-get remove -y -q sheetwise >/dev/null' EXIT
[ "$(command -v sheetwise-batch)" = /usr/bin/sheetwise-batch ] || fail "sheetwise-batch is not run from /usr/bin"
/usr/bin/sheetwise-batch --version
LANGUAGE=zh_CN /usr/bin/sheetwise-batch --help | head -n 1 | grep -q '^用法' || fail "the Chinese messages are not found"
man -w sheetwise-batch >/dev/null || fail "man sheetwise-batch finds no page"
work=$(mktemp -d)
cp -r "$root/examples/workbooks" "$work/in"
# The office-side library is loaded by the office on the first workbook.
(cd "$work" && /usr/bin/sheetwise-batch --source in --rules "$root/examples/rules.txt" --save out --quiet) ||
  fail "the installed batch command did not process the examples"
ls -R "$work/out" | grep -q '\.xls$' || fail "nothing was written"
rm -rf "$work"
QT_QPA_PLATFORM=offscreen timeout 10 /usr/bin/sheetwise >/dev/null 2>&1 || [ $? -eq 124 ] ||
  fail "the window program did not start"
echo "check-package: $deb holds what it should, installs and runs"
