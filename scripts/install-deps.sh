#!/usr/bin/env bash
# Installs everything the tool needs to build, run and test on Debian 12.
# Safe to run again: apt skips what is already there. Arguments name further packages
# (scripts/fuzz.sh asks for clang this way).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc
  libzint-dev zlib1g-dev libzxing-dev libzbar-dev libcups2-dev
  libgtest-dev libbenchmark-dev
  unixodbc unixodbc-dev tdsodbc odbc-postgresql postgresql
  xvfb xauth openbox fonts-liberation2 imagemagick
  cups cups-daemon cups-client cups-common cups-filters cups-ipp-utils ghostscript
  avahi-daemon dbus-daemon
  lintian
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
