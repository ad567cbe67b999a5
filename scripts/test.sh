#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: once with
# warnings as errors, once without the window and without Qt, and once under
# the address and undefined-behaviour sanitizers (with clang), where the fuzz
# targets run too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${SKYLOOM_FUZZ_SECONDS:-30}

# Fails if any command of the build in folder $1 names Qt: its headers, its
# libraries, its moc, or the window's sources. The commands looked at must
# hold the compiles of the core and the command line and the links of
# skyloom-cli and of the tests, so that an empty or foreign list cannot pass;
# a response file, whose contents ninja no longer has, fails it too.
check_no_qt() {
  local folder=$1 commands pattern
  commands=$(ninja -C "$folder" -t commands | sed "s|$PWD|<source>|g")
  for pattern in ' -c <source>/src/engine/' ' -c <source>/src/cli/skyloom_cli\.cpp' \
                 ' -o bin/skyloom-cli ' ' -o bin/skyloom_tests '; do
    if ! grep -q -e "$pattern" <<<"$commands"; then
      echo "no command of $folder matches '$pattern'"
      return 1
    fi
  done
  if grep -E -e ' @[^ ]+' <<<"$commands"; then
    echo "$folder hides arguments in response files"
    return 1
  fi
  if grep -i -E -e 'qt[0-9]|/qt|_autogen|-DQT_' <<<"$commands" | cut -c1-300; then
    echo "commands of $folder above name Qt"
    return 1
  fi
  echo "$(wc -l <<<"$commands") commands of $folder, none naming Qt"
}

echo "== build with -Werror"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKYLOOM_WERROR=ON
cmake --build build-test -j "$jobs"
ctest --test-dir build-test --output-on-failure -j "$jobs"

echo "== build without the window, with no Qt on any line"
# Unoptimised, for a quick build: the build above compiles the same code
# with warnings as errors and optimisation.
cmake -S . -B build-nogui -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKYLOOM_WERROR=ON \
  -DSKYLOOM_GUI=OFF -DSKYLOOM_BENCH=OFF
cmake --build build-nogui -j "$jobs"
ctest --test-dir build-nogui --output-on-failure -j "$jobs"
check_no_qt build-nogui

echo "== build with sanitizers"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DSKYLOOM_WERROR=ON -DSKYLOOM_SANITIZE=ON -DSKYLOOM_FUZZ=ON -DSKYLOOM_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== the Debian package"
bash scripts/package.sh
bash tests/package/check_package.sh build-package/skyloom_*_*.deb build-test/bin/skyloom-cli

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
