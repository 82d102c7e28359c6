#!/usr/bin/env bash
# Starts a private CUPS server for the tests: its own configuration, spool, log, cache and state
# under /tmp, listening only on its own Unix socket (never the machine's CUPS set-up), with label
# queues whose device is tests/cups/capture-backend.sh:
#
#   queue      description                 driver                         resolution  state
#   zpl300     Smart Label Printer 450     CUPS's ZPL label driver        300 dpi     ready
#   zpl203     Smart Label Printer 240     CUPS's ZPL label driver        203 dpi     ready
#   postscript Smart Label Printer 440     generic PostScript (no custom sizes)       ready
#   refusing   Smart Label Printer 460     CUPS's ZPL label driver        300 dpi     rejects jobs
#   held       Smart Label Printer 470     CUPS's ZPL label driver        300 dpi     disabled
#
#   scripts/start-test-cups.sh <state folder>
#
# On success <state folder>/server.env holds SOCKET (for CUPS_SERVER), CAPTURE (one folder per
# queue receives its jobs as <job id>.job) and DATA. On failure it holds SKIP with the reason and
# the script still succeeds, so the tests that need the server report themselves skipped.
set -uo pipefail

state=${1:?state folder}
here=$(cd "$(dirname "$0")" && pwd)
backend="$here/../tests/cups/capture-backend.sh"
system_bin=/usr/lib/cups
cupsd=/usr/sbin/cupsd
lifetime=${VELMORA_CUPS_LIFETIME:-3600} # seconds; the server ends itself if never stopped

mkdir -p "$state"
"$here/stop-test-cups.sh" "$state" >/dev/null 2>&1
rm -f "$state/server.env"

skip() {
    echo "SKIP=$*" >"$state/server.env"
    echo "CUPS test server not started: $*" >&2
    exit 0
}

for tool in "$cupsd" lpadmin lpstat cupsreject cupsdisable gs; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool missing (scripts/install-deps.sh installs it)"
done
[[ -x $system_bin/filter/rastertolabel ]] || skip "rastertolabel missing (package cups)"
[[ -f /usr/share/cups/drv/sample.drv ]] || skip "sample.drv missing (package cups-common)"

data=$(mktemp -d /tmp/velmora-cups.XXXXXX) || skip "no data folder"
# Filters run as lp and read the spool: the folders are readable, writable only by their owner.
chmod 755 "$data"
echo "DATA=$data" >"$state/server.env" # lets the stop script clean up whatever happens next

if [[ $(id -u) -eq 0 ]]; then
    user=lp group=lp system_group=root
else
    user=$(id -un) group=$(id -gn) system_group=$(id -gn)
fi

# cupsd runs only filters and backends owned by root (or by itself) and not writable by others, so
# ServerBin is a private folder: the system's programs through links, plus our backend as a copy.
mkdir -p "$data"/{etc/ppd,bin/backend,spool/tmp,cache,run,log,capture} || skip "cannot lay out $data"
for part in filter daemon driver cgi-bin monitor notifier; do
    [[ -e $system_bin/$part ]] && ln -s "$system_bin/$part" "$data/bin/$part"
done
# Mode 0700: cupsd runs such a backend as root, so it can write the capture folders.
install -m 0700 "$backend" "$data/bin/backend/capture" || skip "cannot install the capture backend"
chmod 755 "$data/capture"

socket="$data/cups.sock"
cat >"$data/etc/cups-files.conf" <<CONF
ServerRoot $data/etc
ServerBin $data/bin
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
CacheDir $data/cache
StateDir $data/run
RequestRoot $data/spool
TempDir $data/spool/tmp
ErrorLog $data/log/error_log
AccessLog $data/log/access_log
PageLog $data/log/page_log
User $user
Group $group
SystemGroup $system_group
CONF
cat >"$data/etc/cupsd.conf" <<CONF
Listen $socket
LogLevel debug
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultShared No
PreserveJobHistory Yes
PreserveJobFiles No
MaxJobs 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
DefaultPolicy default
CONF

"$cupsd" -t -c "$data/etc/cupsd.conf" -s "$data/etc/cups-files.conf" >"$data/log/check.log" 2>&1 ||
    skip "configuration refused: $(tail -n 3 "$data/log/check.log")"

# In the foreground of its own session, bounded by timeout; the stop script ends it.
setsid timeout "$lifetime" "$cupsd" -f -c "$data/etc/cupsd.conf" -s "$data/etc/cups-files.conf" \
    </dev/null >"$data/log/cupsd.out" 2>&1 &
echo "$!" >"$data/cupsd.pid"

ready=
for attempt in $(seq 150); do # up to about 30 s
    if [[ -S $socket ]] && timeout 5 lpstat -h "$socket" -r >/dev/null 2>&1; then
        ready=1
        break
    fi
    kill -0 "$(cat "$data/cupsd.pid")" 2>/dev/null || break
    sleep 0.2
done
if [[ -z $ready ]]; then
    reason=$(tail -q -n 3 "$data/log/error_log" "$data/log/cupsd.out" 2>/dev/null)
    "$here/stop-test-cups.sh" "$state" >/dev/null 2>&1
    skip "cupsd did not start: $reason"
fi

admin() { timeout 60 "$@" >>"$data/log/setup.log" 2>&1; }
queue() { # name description driver option...
    local name=$1 description=$2 driver=$3
    shift 3
    mkdir -p "$data/capture/$name" && chmod 755 "$data/capture/$name" &&
        admin lpadmin -h "$socket" -p "$name" -D "$description" -v "capture:$data/capture/$name" \
            -m "$driver" -o printer-error-policy=abort-job "$@" -E
}
zpl=drv:///sample.drv/zebra.ppd
{
    # Media: the normal label's stock at each resolution (5.2 x 2 in; 5.3 x 3 in at 203 dpi).
    queue zpl300 "Smart Label Printer 450" "$zpl" -o Resolution=300dpi -o media=w432h144 &&
        queue zpl203 "Smart Label Printer 240" "$zpl" -o Resolution=203dpi -o media=w432h216 &&
        queue postscript "Smart Label Printer 440" drv:///sample.drv/generic.ppd -o media=A4 &&
        queue refusing "Smart Label Printer 460" "$zpl" -o Resolution=300dpi -o media=w432h144 &&
        queue held "Smart Label Printer 470" "$zpl" -o Resolution=300dpi -o media=w432h144 &&
        admin cupsreject -h "$socket" -r "refused by the test set-up" refusing &&
        admin cupsdisable -h "$socket" -r "held by the test set-up" held
} || {
    reason=$(tail -n 3 "$data/log/setup.log")
    "$here/stop-test-cups.sh" "$state" >/dev/null 2>&1
    skip "queues not set up: $reason"
}

printf 'SOCKET=%s\nCAPTURE=%s\nDATA=%s\n' "$socket" "$data/capture" "$data" >"$state/server.env"
echo "CUPS test server on $socket"
