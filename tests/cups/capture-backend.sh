#!/bin/sh
# CUPS backend for the tests: writes every job it gets, as the queue's driver made it, into the
# folder of its device URI (capture:/folder), as <job id>.job. The file takes its name only when
# the whole job is in, so a test that sees the name may read it.
#
#   capture                              lists the device class for lpinfo
#   capture job user title copies options [file]
if [ $# -eq 0 ]; then
    echo 'direct capture "Unknown" "Test capture"'
    exit 0
fi
if [ "$DEVICE_URI" = "capture:out-of-labels" ]; then # a printer that fails every job
    echo "ERROR: the test printer is out of labels" >&2
    exit 1
fi
folder=${DEVICE_URI#capture:}
if [ -z "$folder" ] || [ "$folder" = "$DEVICE_URI" ]; then
    echo "ERROR: device URI $DEVICE_URI is not capture:/folder" >&2
    exit 1 # CUPS_BACKEND_FAILED
fi
mkdir -p "$folder" || exit 1
part="$folder/.$1.part"
if [ $# -ge 6 ]; then
    cat -- "$6" >"$part" || exit 1
else
    cat >"$part" || exit 1
fi
mv -f -- "$part" "$folder/$1.job" || exit 1
exit 0
