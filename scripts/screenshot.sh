#!/usr/bin/env bash
# Starts the built tool on a virtual screen (Xvfb) in a fresh demo folder and saves a picture of
# its window. Usage: scripts/screenshot.sh [build folder] [output PNG]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=${2:-$root/docs/window.png}
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")

demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
cp "$build/app/velmora-barcode-tool" "$build/app/"lib*.so "$demo/"
if [[ -x "$build/velmora-demo-setup" ]]; then
    "$build/velmora-demo-setup" "$demo" >/dev/null
else
    : >"$demo/VO_Vudu.ini" # the embedded database is created beside it
fi

# Without a window manager the window has no frame: the picture of the window is exactly its
# client area. The kept picture is taken by the window's exact title, so a title with anything
# appended (an application name, say) fails the script.
title="Zadad Arazoro Verovidiv KELD & ZUL Vers.. 1.0"
xvfb-run -a -s "-screen 0 800x600x24" bash -s "$demo" "$out" "$title" <<'INNER'
set -euo pipefail
demo=$1
out=$2
title=$3
"$demo/velmora-barcode-tool" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || { echo "the tool ended before its window showed" >&2; exit 1; }
    import -window root "$demo/screen.png"
    if (($(convert "$demo/screen.png" -trim -format '%w' info: 2>/dev/null) > 100)); then
        sleep 1 # let the first paint settle
        # import asks for a click when it finds no window of that name: bounded.
        if ! timeout 10 import -window "$title" "$out" 2>/dev/null; then
            echo "no window is titled exactly \"$title\"" >&2
            exit 1
        fi
        exit 0
    fi
    sleep 0.2
done
echo "the window did not appear" >&2
exit 1
INNER
echo "saved $out"
