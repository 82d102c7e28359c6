#!/usr/bin/env bash
# Sets everything up and starts the tool on its embedded default database, in the demo
# application folder build/app. Stickers appear as PNG files in build/app/printers/<printer>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" velmora-barcode-tool velmora-demo-setup
"$root/build/velmora-demo-setup" "$root/build/app"
if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display found: starting the tool on a virtual screen (xvfb-run)." >&2
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$root/build/app/velmora-barcode-tool"
fi
exec "$root/build/app/velmora-barcode-tool"
