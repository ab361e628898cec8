#!/usr/bin/env bash
# Times the window program on the 1 000 000-transaction book (Release build in
# build/): process start to a shown and filled main window, every account
# switch, every period switch, scrolling "All" of the 100 000-row account end
# to end, and the peak memory. Targets: < 500 ms, < 100 ms, fluid, < 200 MB.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALLYVANE_TESTS=OFF -DTALLYVANE_BENCH=ON >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target tallyvane tallyvane-gui-book
book=${TMPDIR:-/tmp}/tallyvane-gui-bench
if [[ ! -f "$book/data/tallyvane.vdb" ]]; then
  "$root/build/bin/tallyvane-gui-book" "$book/data" --million
fi
mkdir -p "$book/config"
printf '[MainWindow]\nX=0\nY=0\nWidth=1280\nHeight=800\n[Setting]\nLastBackup=%s\n' "$(date +%s)" >"$book/config/Tallyvane.conf"
export TALLYVANE_DATA_DIR="$book/data" TALLYVANE_CONFIG_DIR="$book/config"
Xvfb :97 -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb' EXIT
sleep 1
export DISPLAY=:97
for run in 1 2 3; do
  echo "run $run"
  TALLYVANE_SCREENSHOT=- TALLYVANE_SCREENSHOT_SCENE=timing TALLYVANE_TIMING_T0=$(date +%s%N) \
    "$root/build/bin/tallyvane" 2>/dev/null
done
