#!/usr/bin/env bash
# Installs what is missing, then builds the Debian package of the program as
# build-package/skyloom_VERSION_ARCH.deb (the window, the command line, their
# data, the manual page, completion, icons and desktop entry).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DSKYLOOM_TESTS=OFF -DSKYLOOM_BENCH=OFF
cmake --build build-package -j "$(nproc)"
rm -f build-package/skyloom_*.deb
(cd build-package && cpack -G DEB >/dev/null)
ls build-package/skyloom_*.deb
