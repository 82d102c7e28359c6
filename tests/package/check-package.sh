#!/usr/bin/env bash
# Builds the desk's package from a build folder and checks it without installing it on this
# machine: its control fields and files, lintian, and its maintainer scripts run against a
# temporary root (DPKG_ROOT), the way dpkg runs them, one row per situation at a desk.
#
#   tests/package/check-package.sh <build folder>
set -uo pipefail

build=${1:?build folder}
work=$(mktemp -d /tmp/velmora-package.XXXXXX)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    exit 1
}
deb=$(ls "$work"/out/*.deb)
dpkg-deb -e "$deb" "$work/control"
etc=/etc/velmora-barcode-tool
app=/opt/velmora-barcode-tool
data=/var/lib/velmora-barcode-tool
db=$data/VO_Vudu.sqlite
failed=0

check() { # what must hold, then the command that shows it
    local name=$1 out
    shift
    if out=$("$@" 2>&1); then
        echo "ok    $name"
    else
        echo "FAIL  $name"
        printf '%s\n' "$out" | sed 's/^/      /'
        failed=$((failed + 1))
    fi
}

field() { dpkg-deb -f "$deb" "$1"; }
listed() { dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' | grep -qxF "./$1"; }
matches() { [[ $1 =~ $2 ]] || { echo "\"$1\" does not match $2"; return 1; }; }
lacks() { ! grep -E "$2" <<<"$1"; }
scripts_ok() { for s in preinst postinst prerm postrm; do [[ -x $work/control/$s ]] && sh -n "$work/control/$s" || return 1; done; }
fails() { ! "$@"; }
# Pedantic and informational tags too; only the overrides' tags (the application folder in /opt,
# the libraries' fortify) and their explanations. Read whole first: lintian's status is not ours.
lintian_clean() {
    local out
    out=$(lintian --pedantic -I --show-overrides "$deb" 2>&1)
    ! grep -vE '^(N: |O: velmora-barcode-tool: (dir-or-file-in-opt|hardening-no-fortify-functions \[opt/velmora-barcode-tool/lib)|running with root privileges)' <<<"$out"
}
# Every picture and page the installed README links to is installed beside it.
readme_links_installed() {
    local link
    for link in $(grep -oE '\]\(docs/[^)]+' "$(dirname "$0")/../../README.md" | cut -c3-); do
        listed "usr/share/doc/velmora-barcode-tool/$link" || { echo "not installed: $link"; return 1; }
    done
}
# The changelog names the last change built (not checked without the history).
changelog_names_head() {
    local head
    head=$(git -C "$(dirname "$0")" log -1 --format=%s 2>/dev/null) || return 0
    dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/velmora-barcode-tool/changelog.gz | zcat |
        tr -s ' \n' '  ' | grep -qF -- "* $(tr -s ' ' <<<"$head")"
}

# The package as built.
check "version grows with the commits"  matches "$(field Version)" '^1\.0\.[1-9][0-9]*$'
check "recommends cups and sqlite3"     matches "$(field Recommends)" '^cups, sqlite3$'
check "depends on no server"            lacks "$(field Depends)" '(^|[ ,])(postgresql|postgresql-[0-9]+|cups|cups-daemon|mssql-server)([ ,(]|$)'
check "settings are the one conffile"   matches "$(cat "$work/control/conffiles")" "^$etc/VO_Vudu.ini$"
check "four maintainer scripts"         scripts_ok
check "settings link in the app folder" listed "opt/velmora-barcode-tool/VO_Vudu.ini -> $etc/VO_Vudu.ini"
check "schema scripts installed"        listed usr/share/velmora-barcode-tool/schema/postgresql.sql
check "lintian, pedantic: nothing"      lintian_clean
check "README's pictures installed"     readme_links_installed
check "changelog lists the changes"     changelog_names_head

# The maintainer scripts against a temporary root. Each row prepares the root as a desk would
# have it, runs the scripts in dpkg's order (unpacking is dpkg-deb -x), and checks what must hold.
if [[ $(id -u) -ne 0 ]]; then
    echo "The maintainer-script rows need root (chown to the group velmora); not run."
    exit $((failed > 0))
fi

root=
run() { # a maintainer script with its arguments; what it says goes to $root.said
    DPKG_ROOT=$root sh "$work/control/$1" "${@:2}" >>"$root.said" 2>&1
}
unpack() { dpkg-deb -x "$deb" "$root"; }
gid() { awk -F: '$1 == "velmora" { print $3 }' "$root/etc/group"; }
has_group() { [[ -n $(gid) ]] || { cat "$root/etc/group"; return 1; }; }
rights() { [[ $(stat -c '%u:%g %a' "$root$1") == "0:$(gid) $2" ]] || { stat -c "%n %u:%g %a, want 0:$(gid) $2" "$root$1"; return 1; }; }
same() { cmp "$root$1" "$2"; }
said() { grep -qF -- "$1" "$root.said" || { cat "$root.said"; return 1; }; }
lines() { [[ $(grep -c . "$root.said") -eq $1 ]] || { cat "$root.said"; return 1; }; }
missing() { [[ ! -e $root$1 && ! -L $root$1 ]] || { ls -la "$root$1"; return 1; }; }

new_root() { # a bare system: root's group only
    root=$work/root-$1
    mkdir -p "$root/etc"
    printf 'root:x:0:\n' >"$root/etc/group"
    printf 'root:*::\n' >"$root/etc/gshadow"
}

# A desk's own settings: Windows-1252 bytes, CR LF, nothing like the package's.
printf 'DATABASE=/var/lib/velmora-barcode-tool/VO_Vudu\r\nBARCODEPRINTER1=Gr\xfcn 450\r\n' >"$work/desk.ini"
printf 'SQLite format 3\0 rows of the lab' >"$work/rows.sqlite"

# Packages up to 1.0: settings as a plain file in the application folder, a world-readable database.
old_desk() {
    mkdir -p "$root$app" "$root$data"
    cp "$work/desk.ini" "$root$app/VO_Vudu.ini"
    cp "$work/rows.sqlite" "$root$db"
    chmod 0664 "$root$db"
    chmod 2775 "$root$data"
}

install_fresh() { run preinst install && unpack && run postinst configure; }
new_root fresh && install_fresh
check "fresh: group velmora"              has_group
check "fresh: database folder 2770"       rights $data 2770
check "fresh: empty database 0660"        rights $db 660
check "fresh: package settings in /etc"   same $etc/VO_Vudu.ini "$root/usr/share/velmora-barcode-tool/VO_Vudu.ini.default"
check "fresh: nothing said"               lines 0
run postinst configure
check "again: nothing changed, nothing said" lines 0

new_root upgrade && old_desk && run preinst upgrade 1.0 && unpack && run postinst configure 1.0
check "upgrade: desk settings kept byte for byte" same $etc/VO_Vudu.ini "$work/desk.ini"
check "upgrade: rows kept"                same $db "$work/rows.sqlite"
check "upgrade: database 0660"            rights $db 660
check "upgrade: database folder 2770"     rights $data 2770
check "upgrade: says where settings went" said "are now $root$etc/VO_Vudu.ini"

# The settings 1.0 shipped, from the commit that added them (not run without the history).
if git -C "$(dirname "$0")" show a0d7100:assets/package/VO_Vudu.ini >"$work/shipped-1.0.ini"; then
    new_root untouched && old_desk && cp "$work/shipped-1.0.ini" "$root$app/VO_Vudu.ini"
    run preinst upgrade 1.0 && unpack && run postinst configure 1.0
    check "upgrade, 1.0 settings never edited: the new ones" same $etc/VO_Vudu.ini "$root/usr/share/velmora-barcode-tool/VO_Vudu.ini.default"
    check "upgrade, 1.0 settings never edited: says so" said "now holds this package's"

    # Forced back to 1.0, whose unpacking put its shipped file over the link, then upgraded again;
    # dpkg keeps the edited conffile, as unpacking here does not.
    new_root downgraded && install_fresh && cp "$work/desk.ini" "$root$etc/VO_Vudu.ini" &&
        rm "$root$app/VO_Vudu.ini" && cp "$work/shipped-1.0.ini" "$root$app/VO_Vudu.ini" &&
        run preinst upgrade 1.0 && unpack && cp "$work/desk.ini" "$root$etc/VO_Vudu.ini" &&
        run postinst configure 1.0
    check "downgraded and upgraded: desk settings kept" same $etc/VO_Vudu.ini "$work/desk.ini"
    check "downgraded and upgraded: says they stay" said "this desk's own settings stay in $root$etc/VO_Vudu.ini"
    check "downgraded and upgraded: claims no new ones" fails said "now holds this package's"
fi

new_root aborted && old_desk && run preinst upgrade 1.0 && run postrm abort-upgrade 1.0
check "failed upgrade: settings back"     same $app/VO_Vudu.ini "$work/desk.ini"

new_root both && old_desk && mkdir -p "$root$etc" && printf 'other' >"$root$etc/VO_Vudu.ini.desk"
check "two desk settings: refused"        fails run preinst upgrade 1.0
check "two desk settings: both kept"      same $app/VO_Vudu.ini "$work/desk.ini"
check "two desk settings: says so"        said "move the other aside"

new_root wronggroup && install_fresh && cp "$work/rows.sqlite" "$root$db" && chown 0:0 "$root$db" &&
    chmod 0644 "$root$db" && : >"$root.said" && run postinst configure
check "database of another group: given back" rights $db 660
check "database of another group: rows kept"  same $db "$work/rows.sqlite"
check "database of another group: says so"    said "$root$db was root:root 644, now root:"

new_root removed && install_fresh && cp "$work/desk.ini" "$root$etc/VO_Vudu.ini" && cp "$work/rows.sqlite" "$root$db" &&
    run prerm remove && run postrm remove
check "remove: settings kept"             same $etc/VO_Vudu.ini "$work/desk.ini"
check "remove: rows kept"                 same $db "$work/rows.sqlite"
: >"$root.said" && rm -rf "$root$app" "$root/usr" "$root$etc/VO_Vudu.ini" && run postrm purge
check "purge: settings gone"              missing $etc
check "purge: rows kept"                  same $db "$work/rows.sqlite"
check "purge: one line names the database" said "kept the database $root$data/"
check "purge: only that line"             lines 1

# Removed, then the settings deleted by hand, then installed again: the desk can start.
new_root halfremoved && install_fresh && cp "$work/rows.sqlite" "$root$db" && rm "$root$etc/VO_Vudu.ini" &&
    : >"$root.said" && run preinst install && unpack && rm "$root$etc/VO_Vudu.ini" && run postinst configure
check "reinstall: settings there again"   same $etc/VO_Vudu.ini "$root/usr/share/velmora-barcode-tool/VO_Vudu.ini.default"
check "reinstall: says so"                said "was missing"
check "reinstall: rows kept"              same $db "$work/rows.sqlite"

# The README's roll-out through dpkg itself, into a root of its own with the scripts run outside
# it, stdin closed: a desk on an earlier build whose shipped settings differ and whose own were edited.
dpkg_in() { dpkg --root="$root" --force-script-chrootless --force-depends --force-confdef --force-confold "$@" </dev/null >>"$root.said" 2>&1; }
earlier_build() { # the package as version 1.0.1, shipping other settings
    dpkg-deb -R "$deb" "$work/earlier" &&
        sed -i 's/^Version: .*/Version: 1.0.1/' "$work/earlier/DEBIAN/control" &&
        echo '; as an earlier build shipped it' >>"$work/earlier$etc/VO_Vudu.ini" &&
        dpkg-deb -b "$work/earlier" "$work/earlier.deb" >/dev/null
}
new_root rollout && mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" && : >"$root/var/lib/dpkg/status"
if earlier_build && dpkg_in -i "$work/earlier.deb" && cp "$work/desk.ini" "$root$etc/VO_Vudu.ini"; then
    check "roll-out over an earlier build: installed" dpkg_in -i "$deb"
    check "roll-out: configured"            matches "$(dpkg-query --root="$root" -W -f '${Status} ${Version}' velmora-barcode-tool)" "^install ok installed $(field Version)$"
    check "roll-out: desk settings kept"    same $etc/VO_Vudu.ini "$work/desk.ini"
    check "roll-out: shipped ones beside"   same $etc/VO_Vudu.ini.dpkg-dist "$root/usr/share/velmora-barcode-tool/VO_Vudu.ini.default"
else
    check "roll-out: earlier build installed" sh -c "cat '$root.said'; false"
fi

echo "$failed failed"
exit $((failed > 0))
