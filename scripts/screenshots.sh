#!/bin/sh
# Writes PNG pictures of the program's windows into OUTDIR: the about box, the
# main window with its rule panel at the top and scrolled to the bottom, and
# the grid picker filled from a sample workbook.
#
#   scripts/screenshots.sh OUTDIR [SAMPLE.xls]
#
# Needs the program built in build-qt (or BUILD_DIR) and xvfb-run.
set -eu

if [ $# -lt 1 ]; then
  echo "usage: $0 OUTDIR [SAMPLE.xls]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")/.." && pwd)
out=$1
sample=${2:-/work/shared/corpus/long_4000_rows_borders.xls}
program=${BUILD_DIR:-$here/build-qt}/app/sheetwise

if [ ! -x "$program" ]; then
  echo "$program not found; build it first: cmake --build build-qt" >&2
  exit 1
fi
mkdir -p "$out"
# The sample is shown as the sheet named in "表名", "Sheet1" at start-up.
SHEETWISE_SCREENSHOTS=$(cd "$out" && pwd) \
SHEETWISE_SCREENSHOT_SAMPLE=$sample \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
ls -1 "$out"/*.png
