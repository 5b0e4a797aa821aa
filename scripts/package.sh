#!/usr/bin/env bash
# Builds the Debian package sheetwise_VERSION_ARCH.deb: both programs, the
# office-side library, the translations, the desktop entry and icon, the
# manual pages and the batch command's shell completion, with the packages
# they need declared; then checks it with lintian.
#   scripts/package.sh [OUT_DIR]     (default: the source folder)
# The build goes into build-package/ (SHEETWISE_PACKAGE_BUILD_DIR to choose another).
# Install the result with: sudo apt install ./sheetwise_*.deb
set -euo pipefail
umask 022

root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root}" && cd "${1:-$root}" && pwd)
build=${SHEETWISE_PACKAGE_BUILD_DIR:-$root/build-package}

"$root/scripts/install-deps.sh" --package

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSHEETWISE_BUILD_GUI=ON
cmake --build "$build" -j"$(nproc)" --target sheetwise sheetwise-batch translations manual-pages

version=$(sed -n 's/^project(Sheetwise VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
arch=$(dpkg --print-architecture)
stage=$(mktemp -d)
chmod 0755 "$stage"
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr --strip >/dev/null
# The office loads the library as a plugin: it is read, not run.
chmod 0644 "$stage"/usr/lib/sheetwise/*.so

docs="$stage/usr/share/doc/sheetwise"
mkdir -p "$docs" "$stage/usr/share/lintian/overrides"
cp "$root/packaging/copyright" "$docs/copyright"
gzip -9n -c "$root/packaging/changelog" > "$docs/changelog.gz"
cp "$root/packaging/lintian-overrides" "$stage/usr/share/lintian/overrides/sheetwise"

# The libraries the programs link: found by dpkg-shlibdeps, which wants a
# source package's debian/control to stand beside it.
shlibs=$(mktemp -d)
mkdir "$shlibs/debian"
touch "$shlibs/debian/control"
linked=$(cd "$shlibs" && dpkg-shlibdeps -O -l/usr/lib/libreoffice/program \
  "$stage/usr/bin/sheetwise" "$stage/usr/bin/sheetwise-batch" "$stage"/usr/lib/sheetwise/*.so 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
rm -rf "$shlibs"
# The office runs the workbooks; Qt draws the window on the desktop's display.
depends="$linked, libreoffice-calc-nogui | libreoffice-calc, qt6-qpa-plugins, fonts-noto-cjk, fonts-dejavu-core"

mkdir -p "$stage/DEBIAN"
cat > "$stage/DEBIAN/control" <<EOF
Package: sheetwise
Version: $version
Architecture: $arch
Maintainer: Sheetwise developers <sheetwise@example.org>
Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)
Depends: $depends
Recommends: qt6-translations-l10n
Section: utils
Priority: optional
Homepage: https://example.org/sheetwise
Description: same edits in many spreadsheet workbooks
 Sheetwise applies one ordered list of editing rules (insert and delete rows
 and columns, merge and clear ranges, replace cell texts, rename the sheet,
 set row heights and column widths) to every workbook of a folder tree
 (Excel .xls, .xlsx and .xlsm, OpenDocument .ods), and saves each in a
 mirrored tree or in place. A
 veto condition lets unexpected workbooks through unedited, and every save
 is read back and compared with its source before it replaces its target.
 A second mode reads key cells out of every workbook into a CSV.
 .
 The package holds the window (sheetwise, in Chinese) and the batch command
 for servers and clusters (sheetwise-batch). LibreOffice Calc does the work,
 headless.
EOF
(cd "$stage" && find usr -type f -printf '%P\n' | sort | sed 's|^|usr/|' | xargs md5sum) > "$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

deb="$out/sheetwise_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "package: $deb ($(du -k "$deb" | cut -f1) KB)"
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
