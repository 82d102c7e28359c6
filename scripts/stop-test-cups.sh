#!/usr/bin/env bash
# Stops the server of start-test-cups.sh, and its IPP printer emulators, and removes its folders.
#   scripts/stop-test-cups.sh <state folder>
set -u
state=${1:?state folder}
[[ -f $state/server.env ]] || exit 0
data=$(sed -n 's/^DATA=//p' "$state/server.env")
if [[ -n $data && -d $data ]]; then
    for pidfile in "$data"/*.pid; do
        [[ -f $pidfile ]] || continue
        pid=$(cat "$pidfile")
        # The pid is the bounding timeout's, which hands the signal on to its program.
        if [[ -n $pid ]] && kill -TERM "$pid" 2>/dev/null; then
            for attempt in $(seq 100); do # up to about 20 s, then for good
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.2
            done
            kill -KILL -- "-$pid" 2>/dev/null
        fi
    done
fi
[[ -n $data && $data == /tmp/velmora-cups.* ]] && rm -rf "$data"
rm -f "$state/server.env"
exit 0
