#!/bin/sh
# Writes PNG pictures of the program's windows into OUTDIR: the about box, the
# main window as it opens, at its layout's size with its rule panel at the top,
# with more kinds of workbook chosen beside the file list, scrolled to the
# bottom, with an error log of every kind, and enlarged; the window 错误原因
# with every kind and the run's counts, the whole screen with both windows, the
# question before a run over the sources, the grid picker filled from a sample
# workbook (default: the tests' own sheets.xls, made by the build) and the rule
# list tried on that sample (预览).
#
#   scripts/screenshots.sh OUTDIR [SAMPLE.xls]
#
# Needs the tests built in build (or BUILD_DIR) and xvfb-run.
set -eu

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 OUTDIR [SAMPLE.xls]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
program=$build/tests/window_screenshots
sample=${2:-$build/tests/fixtures/sheets.xls}

if [ ! -x "$program" ]; then
  echo "$program not found; build it first: cmake --build build --target window_screenshots" >&2
  exit 1
fi
# The sample is shown as the sheet named in "表名", "Sheet1" at start-up.
xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "$1" "$sample"
ls -1 "$1"/*.png
