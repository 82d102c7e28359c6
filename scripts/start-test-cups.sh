#!/usr/bin/env bash
# Starts a private CUPS server for the tests: its own configuration, spool, log, cache and state
# under /tmp, listening only on its own Unix socket (never the machine's CUPS set-up), with label
# queues of CUPS's own sample drivers whose device is tests/cups/capture-backend.sh. Each queue's
# default media is the label loaded in the printer:
#
#   queue      description               driver (drv:///sample.drv/)    dpi  loaded label
#   zpl300     Smart Label Printer 450   zebra.ppd (ZPL)                300  2 x 5.5 in, lengthwise
#   zpl203     Smart Label Printer 240   zebra.ppd (ZPL)                203  4 x 6 in
#   zpl600     Smart Label Printer 451   zebra.ppd (ZPL)                600  4 x 6 in
#   epl2       Smart Label Printer 452   zebraep2.ppd (EPL2)            203  4 x 6 in
#   epl1       Smart Label Printer 453   zebraep1.ppd (EPL1)            203  2 x 5.5 in, lengthwise
#   cpcl       Smart Label Printer 454   zebracpl.ppd (CPCL)            203  the driver's 4 x 5 in
#   small      Smart Label Printer 455   dymo.ppd (2.3 in head)         300  2.25 x 7 in, margins
#   pcl        Smart Label Printer 456   intelbar.ppd (PCL)             300  the driver's 4 x 6 in, margins
#   postscript Smart Label Printer 440   generic.ppd (no custom sizes)  300  A4
#   epl2at241  Smart Label Printer 241   zebraep2.ppd (EPL2)            203  4 x 6 in
#   small62    Smart Label Printer 242   dymo.ppd (2.3 in head)         300  2.25 x 7 in
#   zpl4x2     Smart Label Printer 462   zebra.ppd (ZPL)                203  4 x 2 in
#   epl2x1     Smart Label Printer 463   zebraep2.ppd (EPL2)            203  2 x 1 in
#   zplcustom  Smart Label Printer 464   zebra.ppd (ZPL)                300  100 x 150 mm, a custom size
#   hostile    Smart Label Printer 457   zebra.ppd, defaults: 2 copies, 2-up, banners, upside down,
#                                        mirrored, held for ever, even pages only, last page first
#   raw        Smart Label Printer 458   none (a raw queue)
#   twin1      Smart Label Printer 459   zebra.ppd                      300  (two queues, one description)
#   twin2      Smart Label Printer 459   zebra.ppd                      300
#   refusing   Smart Label Printer 460   zebra.ppd                      300  rejects jobs
#   held       Smart Label Printer 470   zebra.ppd                      300  disabled
#   failing    Smart Label Printer 471   zebra.ppd                      300  its backend fails every job
#
# Driverless queues (CUPS's IPP everywhere model) on ippeveprinter, CUPS's IPP printer emulator,
# which keeps each job it prints in its spool folder:
#   ipp203     Smart Label Printer 243   203 dpi, 4 x 6 in loaded, custom sizes up to 4.1 in wide
#   ipp300     Smart Label Printer 461   300 dpi, 2 x 7 in loaded, fixed sizes only
#   ipp2x1     Smart Label Printer 244   203 dpi, 2 x 1 in ready, 4 x 6 in too, no margins
#
#   scripts/start-test-cups.sh <state folder>
#
# On success <state folder>/server.env holds SOCKET (for CUPS_SERVER), CAPTURE (one folder per
# queue receives its jobs as <job id>.job, the driverless ones as the emulator names them) and
# DATA; IPP_SKIP says why the driverless queues are missing where the emulator cannot run. On
# failure it holds SKIP with the reason and the script still succeeds, so the tests that need the
# server report themselves skipped.
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
# The driverless queues reach the emulator through CUPS's own IPP backend.
[[ -e $system_bin/backend/ipp ]] && ln -s "$system_bin/backend/ipp" "$data/bin/backend/ipp"
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
AccessLogLevel all
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
drv=drv:///sample.drv
zpl=$drv/zebra.ppd
{
    queue zpl300 "Smart Label Printer 450" "$zpl" -o Resolution=300dpi -o media=w144h396 &&
        queue zpl203 "Smart Label Printer 240" "$zpl" -o Resolution=203dpi -o media=w288h432 &&
        queue zpl600 "Smart Label Printer 451" "$zpl" -o Resolution=600dpi -o media=w288h432 &&
        queue epl2 "Smart Label Printer 452" "$drv/zebraep2.ppd" -o media=w288h432 &&
        queue epl1 "Smart Label Printer 453" "$drv/zebraep1.ppd" -o media=w144h396 &&
        queue cpcl "Smart Label Printer 454" "$drv/zebracpl.ppd" &&
        queue small "Smart Label Printer 455" "$drv/dymo.ppd" -o media=w162h504 &&
        queue pcl "Smart Label Printer 456" "$drv/intelbar.ppd" &&
        queue postscript "Smart Label Printer 440" "$drv/generic.ppd" -o media=A4 &&
        queue epl2at241 "Smart Label Printer 241" "$drv/zebraep2.ppd" -o media=w288h432 &&
        queue small62 "Smart Label Printer 242" "$drv/dymo.ppd" -o media=w162h504 &&
        queue zpl4x2 "Smart Label Printer 462" "$zpl" -o Resolution=203dpi -o media=w288h144 &&
        queue epl2x1 "Smart Label Printer 463" "$drv/zebraep2.ppd" -o media=w144h72 &&
        queue zplcustom "Smart Label Printer 464" "$zpl" -o Resolution=300dpi -o PageSize=Custom.100x150mm &&
        queue hostile "Smart Label Printer 457" "$zpl" -o Resolution=300dpi -o media=w288h432 \
            -o copies-default=2 -o number-up-default=2 -o job-sheets-default=standard,standard \
            -o orientation-requested-default=4 -o mirror-default=true -o job-hold-until-default=indefinite \
            -o page-set-default=even -o outputorder-default=reverse &&
        queue twin1 "Smart Label Printer 459" "$zpl" -o Resolution=300dpi -o media=w288h432 &&
        queue twin2 "Smart Label Printer 459" "$zpl" -o Resolution=300dpi -o media=w288h432 &&
        queue refusing "Smart Label Printer 460" "$zpl" -o Resolution=300dpi -o media=w144h396 &&
        queue held "Smart Label Printer 470" "$zpl" -o Resolution=300dpi -o media=w144h396 &&
        mkdir -p "$data/capture/failing" &&
        admin lpadmin -h "$socket" -p failing -D "Smart Label Printer 471" -v capture:out-of-labels \
            -m "$zpl" -o printer-error-policy=abort-job -o Resolution=300dpi -o media=w288h432 -E &&
        mkdir -p "$data/capture/raw" &&
        admin lpadmin -h "$socket" -p raw -D "Smart Label Printer 458" -v "capture:$data/capture/raw" -E &&
        admin cupsreject -h "$socket" -r "refused by the test set-up" refusing &&
        admin cupsdisable -h "$socket" -r "held by the test set-up" held
} || {
    reason=$(tail -n 3 "$data/log/setup.log")
    "$here/stop-test-cups.sh" "$state" >/dev/null 2>&1
    skip "queues not set up: $reason"
}

# The emulator's attributes: one resolution, the loaded label, and either a custom range or fixed
# sizes only, each with its margins (hundredths of a millimetre).
emulator() { # name port dpi loaded-keyword loaded-x loaded-y custom(yes/no) [margin]
    local name=$1 port=$2 dpi=$3 loaded=$4 x=$5 y=$6 custom=$7 margin=${8:-100} sizes media
    media="\"$loaded\",\"na_index-4x6_4x6in\",\"oe_2x7-label_2x7in\""
    sizes="{MEMBER integer x-dimension 10160 MEMBER integer y-dimension 15240},{MEMBER integer x-dimension 5080 MEMBER integer y-dimension 17780},{MEMBER integer x-dimension 5080 MEMBER integer y-dimension 2540}"
    if [[ $custom == yes ]]; then
        media+=",\"custom_min_1x0.5in\",\"custom_max_4.1x39in\""
        sizes+=",{MEMBER rangeOfInteger x-dimension 2540-10414 MEMBER rangeOfInteger y-dimension 1270-99060}"
    fi
    local col="{MEMBER collection media-size {MEMBER integer x-dimension $x MEMBER integer y-dimension $y} MEMBER integer media-left-margin $margin MEMBER integer media-right-margin $margin MEMBER integer media-top-margin $margin MEMBER integer media-bottom-margin $margin}"
    mkdir -p "$data/capture/$name" && chmod 755 "$data/capture/$name"
    cat >"$data/etc/$name.conf" <<ATTRS
ATTR keyword media-supported $media
ATTR keyword media-default "$loaded"
ATTR keyword media-ready "$loaded"
ATTR collection media-size-supported $sizes
ATTR collection media-col-default $col
ATTR collection media-col-ready $col
ATTR integer media-left-margin-supported $margin
ATTR integer media-right-margin-supported $margin
ATTR integer media-top-margin-supported $margin
ATTR integer media-bottom-margin-supported $margin
ATTR resolution printer-resolution-supported ${dpi}dpi
ATTR resolution printer-resolution-default ${dpi}dpi
ATTR resolution pwg-raster-document-resolution-supported ${dpi}dpi
ATTR keyword pwg-raster-document-type-supported black_1,sgray_8
ATTR text printer-make-and-model "Velmora Label $dpi"
ATTR keyword print-color-mode-supported monochrome
ATTR keyword print-color-mode-default monochrome
ATTRS
    # -k keeps each document it is sent; -c gives it a print command that takes no time, where it
    # would otherwise act out printing for several seconds a job.
    setsid timeout "$lifetime" ippeveprinter -r off -p "$port" -n localhost -k -c /bin/true \
        -a "$data/etc/$name.conf" -d "$data/capture/$name" "$name" </dev/null >"$data/log/$name.log" 2>&1 &
    echo "$!" >"$data/$name.pid"
}
# ippeveprinter will not start without a DNS-SD daemon, though it advertises nothing here (-r off).
# Where the machine runs none, a private one serves it: its own message bus, and avahi-daemon
# kept to the loopback interface, so that no mDNS packet leaves the machine.
private_dnssd() {
    command -v avahi-daemon >/dev/null 2>&1 || { echo "avahi-daemon missing (package avahi-daemon)"; return 1; }
    command -v dbus-daemon >/dev/null 2>&1 || { echo "dbus-daemon missing (package dbus-daemon)"; return 1; }
    [[ $(id -u) -eq 0 ]] || { echo "no DNS-SD daemon running, and only root can start one"; return 1; }
    cat >"$data/etc/dnssd-bus.conf" <<BUS
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$data/run/dnssd-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/> <allow own="*"/>
    <allow send_type="method_call"/> <allow send_type="signal"/>
    <allow send_type="method_return"/> <allow send_type="error"/>
    <allow receive_type="method_call"/> <allow receive_type="signal"/>
    <allow receive_type="method_return"/> <allow receive_type="error"/>
  </policy>
</busconfig>
BUS
    cat >"$data/etc/dnssd-avahi.conf" <<AVAHI
[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
[wide-area]
enable-wide-area=no
[publish]
disable-publishing=yes
AVAHI
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$data/run/dnssd-bus"
    setsid timeout "$lifetime" dbus-daemon --nofork --config-file="$data/etc/dnssd-bus.conf" \
        >"$data/log/dnssd-bus.log" 2>&1 &
    echo "$!" >"$data/dnssd-bus.pid"
    for attempt in $(seq 50); do [[ -S $data/run/dnssd-bus ]] && break; sleep 0.1; done
    setsid timeout "$lifetime" avahi-daemon -f "$data/etc/dnssd-avahi.conf" --no-chroot --no-drop-root \
        --no-rlimits >"$data/log/dnssd-avahi.log" 2>&1 &
    echo "$!" >"$data/dnssd-avahi.pid"
    for attempt in $(seq 100); do # up to about 10 s
        grep -q "Server startup complete" "$data/log/dnssd-avahi.log" && return 0
        kill -0 "$(cat "$data/dnssd-avahi.pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "avahi-daemon did not start: $(tail -n 1 "$data/log/dnssd-avahi.log")"
    return 1
}

ipp_skip=
if ! command -v ippeveprinter >/dev/null 2>&1; then
    ipp_skip="ippeveprinter missing (package cups-ipp-utils)"
elif [[ ! -e $data/bin/backend/ipp ]]; then
    ipp_skip="CUPS's ipp backend missing (package cups-daemon)"
elif ! kill -0 "$(cat /run/avahi-daemon/pid 2>/dev/null)" 2>/dev/null && ! private_dnssd >"$data/log/dnssd.why"; then
    ipp_skip=$(cat "$data/log/dnssd.why")
else
    # Ready once it answers; ipptool's own test file also judges the attributes, which ours bend.
    printf '{\n OPERATION Get-Printer-Attributes\n GROUP operation-attributes-tag\n ATTR charset attributes-charset utf-8\n ATTR naturalLanguage attributes-natural-language en\n ATTR uri printer-uri $uri\n STATUS successful-ok\n}\n' >"$data/etc/answers.test"
    base=$((20000 + $$ % 20000))
    emulator ipp203 "$base" 203 na_index-4x6_4x6in 10160 15240 yes
    emulator ipp300 "$((base + 1))" 300 oe_2x7-label_2x7in 5080 17780 no
    emulator ipp2x1 "$((base + 2))" 203 oe_2x1-label_2x1in 5080 2540 no 0
    declare -A ports=([ipp203]=$base [ipp300]=$((base + 1)) [ipp2x1]=$((base + 2)))
    declare -A descriptions=([ipp203]=243 [ipp300]=461 [ipp2x1]=244)
    for name in ipp203 ipp300 ipp2x1; do
        port=${ports[$name]}
        up=
        deadline=$((SECONDS + 10))
        while ((SECONDS < deadline)); do
            kill -0 "$(cat "$data/$name.pid")" 2>/dev/null || break
            if timeout 2 ipptool -q "ipp://localhost:$port/ipp/print" "$data/etc/answers.test" >/dev/null 2>&1; then
                up=1
                break
            fi
            sleep 0.2
        done
        if [[ -z $up ]]; then
            ipp_skip="ippeveprinter did not start: $(head -n 1 "$data/log/$name.log")"
            break
        fi
        description="Smart Label Printer ${descriptions[$name]}"
        admin lpadmin -h "$socket" -p "$name" -D "$description" -v "ipp://localhost:$port/ipp/print" \
            -m everywhere -o printer-error-policy=abort-job -E ||
            { ipp_skip="driverless queue $name not set up: $(tail -n 1 "$data/log/setup.log")"; break; }
    done
fi
[[ -n $ipp_skip ]] && echo "CUPS test server without driverless queues: $ipp_skip" >&2

printf 'SOCKET=%s\nCAPTURE=%s\nDATA=%s\nIPP_SKIP=%s\n' "$socket" "$data/capture" "$data" "$ipp_skip" >"$state/server.env"
echo "CUPS test server on $socket"
