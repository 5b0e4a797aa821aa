#!/usr/bin/env bash
# Installs what is missing, builds the batch command and runs it on the bundled
# example workbooks: edited copies into a fresh folder, then one extraction CSV.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$(nproc)" --target sheetwise-batch

out="out/example-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$out"
echo "== Editing examples/workbooks into $out/edited"
./build/app/sheetwise-batch --source examples/workbooks --rules examples/rules.txt \
  --save "$out/edited" --prefix "日期_" --log "$out/错误日志.log"
find "$out/edited" -type f | sort
echo
echo "== Reading key cells into $out/cells.csv"
./build/app/sheetwise-batch --source examples/workbooks --rules examples/extract.txt \
  --extract --output "$out/cells.csv" --log "$out/错误日志.log"
cat "$out/cells.csv"
