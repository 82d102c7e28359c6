#!/usr/bin/env bash
# Starts a private PostgreSQL server for the tests: loopback only, a free port, run by an
# unprivileged user, data under /tmp. Sets up the database velmora as a lab's server has it: owned
# by the role velmora_owner, which runs schema/postgresql.sql, while the desks' role velmora
# (password tansel) gets only what the script grants it. Registers psqlODBC with unixODBC if needed.
#
#   scripts/start-test-postgres.sh <state folder>
#
# On success <state folder>/server.env holds PORT, DATA, and OWNER and OWNER_PASSWORD for the tests'
# own set-up (deleting rows, entering customers). On failure it holds SKIP with the
# reason and the script still succeeds, so the tests that need the server report themselves skipped.
set -uo pipefail

state=${1:?state folder}
here=$(cd "$(dirname "$0")" && pwd)
schema="$here/../schema/postgresql.sql"
bin=/usr/lib/postgresql/15/bin
runas=${VELMORA_PG_USER:-nobody}

mkdir -p "$state"
"$here/stop-test-postgres.sh" "$state" >/dev/null 2>&1
rm -f "$state/server.env"

skip() {
    echo "SKIP=$*" >"$state/server.env"
    echo "PostgreSQL test server not started: $*" >&2
    exit 0
}

as_user() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u "$runas" -- "$@"
    else
        "$@"
    fi
}

[[ -x $bin/initdb && -x $bin/pg_ctl ]] || skip "initdb or pg_ctl missing in $bin"

if ! odbcinst -q -d -n "PostgreSQL Unicode" >/dev/null 2>&1; then
    odbcinst -i -d -f /usr/share/psqlodbc/odbcinst.ini.template >/dev/null 2>&1 ||
        skip "psqlODBC driver not registered"
fi

data=$(mktemp -d /tmp/velmora-pg.XXXXXX) || skip "no data folder"
[[ $(id -u) -eq 0 ]] && chown "$runas" "$data"
chmod 700 "$data"

as_user "$bin/initdb" -D "$data/cluster" -U postgres --auth-local=trust --auth-host=scram-sha-256 \
    --locale=C -E UTF8 >"$data/initdb.log" 2>&1 || skip "initdb failed: $(tail -n 3 "$data/initdb.log")"

port_in_use() { (echo >"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
started=
for attempt in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 30000))
    port_in_use "$port" && continue
    if as_user "$bin/pg_ctl" -D "$data/cluster" -w -t 60 -l "$data/server.log" \
        -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$data" start >/dev/null 2>&1; then
        started=1
        break
    fi
done
[[ -n $started ]] || skip "pg_ctl start failed: $(tail -n 3 "$data/server.log" 2>/dev/null)"
echo "DATA=$data" >"$state/server.env" # lets the stop script clean up whatever happens next

psql_as() { as_user "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$data" -p "$port" "$@"; }
# The server's user may not see the source tree: hand it a copy of the schema.
owner_password=owner-$RANDOM$RANDOM
cp "$schema" "$data/schema.sql" && chmod 644 "$data/schema.sql" || skip "schema not readable"
{
    psql_as -U postgres -d postgres -c "CREATE ROLE velmora LOGIN PASSWORD 'tansel'" &&
        psql_as -U postgres -d postgres -c "CREATE ROLE velmora_owner LOGIN PASSWORD '$owner_password'" &&
        psql_as -U postgres -d postgres -c "CREATE DATABASE velmora OWNER velmora_owner" &&
        psql_as -U velmora_owner -d velmora -f "$data/schema.sql"
} >"$data/setup.log" 2>&1 || {
    reason=$(tail -n 3 "$data/setup.log")
    "$here/stop-test-postgres.sh" "$state" >/dev/null 2>&1
    skip "set-up failed: $reason"
}

printf 'PORT=%s\nDATA=%s\nOWNER=velmora_owner\nOWNER_PASSWORD=%s\n' "$port" "$data" "$owner_password" >"$state/server.env"
echo "PostgreSQL test server on 127.0.0.1:$port"
