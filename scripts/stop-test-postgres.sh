#!/usr/bin/env bash
# Stops the server of start-test-postgres.sh and removes its data.
#   scripts/stop-test-postgres.sh <state folder>
set -u
state=${1:?state folder}
[[ -f $state/server.env ]] || exit 0
data=$(sed -n 's/^DATA=//p' "$state/server.env")
if [[ -n $data && -d $data/cluster ]]; then
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u "$(stat -c %U "$data/cluster")" -- /usr/lib/postgresql/15/bin/pg_ctl -D "$data/cluster" -m fast -w stop
    else
        /usr/lib/postgresql/15/bin/pg_ctl -D "$data/cluster" -m fast -w stop
    fi
fi
[[ -n $data && $data == /tmp/velmora-pg.* ]] && rm -rf "$data"
rm -f "$state/server.env"
exit 0
