#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need.
# Does nothing when all of them are present, so it is safe to run again.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libswe-dev swe-standard-data swetest
  tzdata
  libgeonames-dev
  libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3-icalendar
  clang libclang-rt-14-dev
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins fonts-liberation fonts-dejavu-core
  dpkg-dev file help2man librsvg2-bin appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
