#!/usr/bin/env bash
# Installs every package needed to build, test, fuzz and benchmark TESSARO on Debian 12.
# Run as root (or through sudo). Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  clang libclang-rt-dev
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
  # the windows' Traditional Chinese catalogue: lupdate, lrelease and their CMake package
  qt6-l10n-tools qt6-tools-dev
  # the production log: Qt SQL's SQLite and PostgreSQL drivers, and a server for its tests
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  # the toolkit's own dialogs in Traditional Chinese
  qt6-translations-l10n
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth fonts-wqy-microhei fonts-dejavu-core fonts-liberation2
  # the package and its checks: file types, desktop entry, metadata, lintian
  shared-mime-info desktop-file-utils appstream lintian bash-completion file
  # the .spd type as a plain desktop asks for it: xdg-mime and its helper mimetype
  xdg-utils libfile-mimeinfo-perl
  # decode-dimms, only for the comparison benchmarks in bench/
  i2c-tools
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
