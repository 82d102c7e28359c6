#!/usr/bin/env bash
# Renders one picture of every sticker kind through the real printer libraries into
# docs/stickers/ for the README. Builds into build/ unless a build folder is given.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target velmora-sticker-pictures
QT_QPA_PLATFORM=offscreen "$build/tests/labels/velmora-sticker-pictures" "$build/app" "$root/docs/stickers"
