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

# Without a window manager the window has no frame and sits on a black screen: the picture of
# the screen with the black trimmed away is exactly the window's client area.
xvfb-run -a -s "-screen 0 800x600x24" bash -s "$demo" "$out" <<'INNER'
set -euo pipefail
demo=$1
out=$2
"$demo/velmora-barcode-tool" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
shot() {
    import -window root "$demo/screen.png"
    convert "$demo/screen.png" -bordercolor black -border 1 -trim +repage "$out" 2>/dev/null
}
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || { echo "the tool ended before its window showed" >&2; exit 1; }
    shot
    if (($(identify -format '%w' "$out") > 100)); then
        sleep 1 # let the first paint settle, then take the picture that is kept
        shot
        exit 0
    fi
    sleep 0.2
done
echo "the window did not appear" >&2
exit 1
INNER
echo "saved $out"
