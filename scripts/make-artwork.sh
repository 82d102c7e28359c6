#!/usr/bin/env bash
# Remakes assets/background.jpg and assets/icon-*.png from scripts/make-artwork.cpp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck disable=SC2046 # pkg-config prints several flags
g++ -std=c++20 -fPIC "$root/scripts/make-artwork.cpp" -o "$work/make-artwork" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$work/make-artwork" "$root/assets"
