#!/usr/bin/env bash
# check_packages.sh SOURCE_DIR WORK_DIR VERSION
# Builds the two Debian packages with scripts/package (a Release build of its own; lintian's
# errors and warnings fail it), unpacks them into a fresh root and checks what they install as
# a desktop, a software centre, man and systemd would: every program's --version, the manual
# pages, the desktop entry, the metainfo, the icons, the unit and its exposure, and the server
# started with the shipped configuration. Then, as root, check_on_debian.sh installs them on
# a fresh Debian, and on a server booted with systemd.
set -euo pipefail
source_dir=$1
work=$2
version=$3
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

"$source_dir/scripts/package" "$work"
root="$work/root"
rm -rf "$root"
mkdir -p "$root"
for package in dovrix dovrix-account-server; do
    deb=("$work/packages/${package}_${version}-"*.deb)
    dpkg-deb -x "${deb[0]}" "$root"
done

for program in usr/games/dovrix usr/games/dovrix-solve usr/sbin/dovrix-account-server; do
    answer="$("$root/$program" --version 2>&1)" || fail "$program --version exits with $?"
    [ "$answer" = "$(basename "$program") $version" ] || fail "$program --version says '$answer'"
    # A wrong argument: status 2, a reason on standard error and nothing on standard output.
    status=0
    "$root/$program" --no-such-option >"$work/out" 2>"$work/err" || status=$?
    [ "$status" -eq 2 ] && [ ! -s "$work/out" ] && [ -s "$work/err" ] ||
        fail "$program --no-such-option: status $status, output '$(cat "$work/out")'"
done
# Every page with its sections, and nothing that lexgrog (which makes the whatis index) or
# groff finds amiss.
for page in man6/dovrix.6 man6/dovrix-solve.6 man8/dovrix-account-server.8; do
    file="$root/usr/share/man/$page.gz"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT FILES '"EXIT STATUS"' \
        EXAMPLES '"SEE ALSO"'; do
        zcat "$file" | grep -qx "\.SH $section" || fail "$page has no $section"
    done
    lexgrog "$file" >/dev/null || fail "lexgrog cannot read $page"
    complaints="$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)"
    [ -z "$complaints" ] || fail "man --warnings $page: $complaints"
done
zcat "$root/usr/share/man/man6/dovrix.6.gz" | grep -q DOVRIX_CA_FILE ||
    fail "dovrix(6) does not name DOVRIX_CA_FILE"
for size in 16 32 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/dovrix.png"
    [ "$(python3 -c 'import sys, struct; d = open(sys.argv[1], "rb").read(24);
print("%dx%d" % struct.unpack(">II", d[16:24]))' "$icon" 2>/dev/null)" = "${size}x${size}" ] ||
        fail "no ${size}x${size} icon at $icon"
done

desktop-file-validate "$root/usr/share/applications/dovrix.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic \
    "$root/usr/share/metainfo/io.github.dovrix.Dovrix.metainfo.xml" || fail "metainfo"

# The unit in a root that also holds systemd's own units, as a system has them; verify checks
# its program and manual page there and says nothing when all is well.
cp -rn /lib/systemd/system/. "$root/lib/systemd/system/"
unit="$root/lib/systemd/system/dovrix-account-server.service"
complaints="$(MANPATH="$root/usr/share/man" systemd-analyze verify --root="$root" "$unit" 2>&1)" ||
    fail "systemd-analyze verify fails"
[ -z "$complaints" ] || fail "systemd-analyze verify: $complaints"
exposure="$(systemd-analyze security --offline=yes --root="$root" "$unit" |
    sed -n 's/.*Overall exposure level for .*: \([0-9.]*\) .*/\1/p')"
awk -v e="$exposure" 'BEGIN { exit !(e != "" && e <= 2.0) }' ||
    fail "the unit's exposure is '$exposure', above 2.0"

# The shipped configuration, as the unit passes it, with its socket and database moved here.
config="$root/etc/dovrix/account-server.conf"
sed -e "s|^socket = .*|socket = $work/account.sock|" -e "s|^db = .*|db = $work/accounts.sqlite|" \
    "$config" >"$work/test.conf"
coproc SERVER { exec "$root/usr/sbin/dovrix-account-server" --config "$work/test.conf" \
    2>"$work/server.err"; }
server_pid=$SERVER_PID
read -r -t 10 line <&"${SERVER[0]}" || line=""
if [ "$line" = "listening on unix:$work/account.sock" ]; then
    # As nginx asks, naming the client.
    reply="$(python3 -c 'import socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
s.sendall(b"GET /dovrix/pars HTTP/1.0\r\nX-Real-IP: 192.0.2.7\r\n\r\n")
print(s.recv(100).decode(errors="replace"))' "$work/account.sock")"
    [[ "$reply" == "HTTP/1.1 200 "* ]] || fail "the server's reply: ${reply:0:80}"
else
    fail "the server's first line: '$line'"
fi
kill -TERM "$server_pid" 2>/dev/null || true
wait "$server_pid" || fail "the server exits with $? on SIGTERM"
# What the journal gets: a line at the stop, none per request.
[ "$(cat "$work/server.err")" = "dovrix-account-server: stopped" ] ||
    fail "the server's standard error: $(cat "$work/server.err")"

if [ "$(id -u)" -ne 0 ] || ! command -v piuparts debootstrap systemd-nspawn >/dev/null; then
    echo "not checked on a fresh Debian: that needs root, piuparts, debootstrap and systemd-nspawn"
else
    "$source_dir/tests/packaging/check_on_debian.sh" "$source_dir" "$work/debian-check" \
        "$work/packages" "$root" || failures=$((failures + $?))
fi

[ "$failures" -eq 0 ] && echo "packages checked: $(ls "$work/packages")"
exit "$failures"
