#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: once with
# warnings as errors, once under the address and undefined-behaviour
# sanitizers (with clang), where the fuzz targets run too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${SKYLOOM_FUZZ_SECONDS:-30}

echo "== build with -Werror"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKYLOOM_WERROR=ON
cmake --build build-test -j "$jobs"
ctest --test-dir build-test --output-on-failure -j "$jobs"

echo "== build with sanitizers"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DSKYLOOM_WERROR=ON -DSKYLOOM_SANITIZE=ON -DSKYLOOM_FUZZ=ON -DSKYLOOM_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzzing, ${fuzz_seconds} s a target"
for target in build-asan/bin/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-asan/fuzz-corpus/$name"
  mkdir -p "$corpus"
  seconds=$fuzz_seconds
  [ -f "fuzz/$name.seconds" ] && seconds=$(cat "fuzz/$name.seconds")
  echo "-- $name for $seconds s"
  (cd build-asan/bin && "./$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -len_control=0 -max_len=2048 \
     -print_final_stats=0 "../fuzz-corpus/$name" 2>"../fuzz-corpus/$name.log") \
    || { tail -50 "build-asan/fuzz-corpus/$name.log"; exit 1; }
  tail -2 "build-asan/fuzz-corpus/$name.log"
done
echo "all tests passed"
