#!/usr/bin/env bash
# Builds the tool and makes the Debian package for the desks, build/velmora-barcode-tool_<version>_<arch>.deb.
# Install it with `sudo apt install ./build/velmora-barcode-tool_*.deb`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" velmora-barcode-tool slpapi7x32 slpapi62
cd "$root/build"
cpack -G DEB
