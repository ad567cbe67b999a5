#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it: the window when
# a display is available, otherwise an example report from the command-line
# front end (skyloom-cli --help tells what else it can do).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSKYLOOM_TESTS=OFF -DSKYLOOM_BENCH=OFF
cmake --build build
if [ -x build/bin/skyloom ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/bin/skyloom "$@"
fi
echo "No display: an example report from build/bin/skyloom-cli instead of the window." >&2
year=$(date +%Y)
exec build/bin/skyloom-cli world Jupiter Saturn --start "$year-01-01" --end "$year-12-31" --zone GMT "$@"
