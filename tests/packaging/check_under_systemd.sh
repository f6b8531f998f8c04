#!/usr/bin/env bash
# check_under_systemd.sh SOURCE_DIR WORK_DIR PACKAGES_DIR OLD_PACKAGES_DIR BASE SOURCES_LIST
# The account service on a Debian 12 server booted with systemd as its first process
# (systemd-nspawn, with a network of its own, so its nginx takes none of this machine's ports),
# set up by the commands of docs/school.md: every sh block of its sections "Running the
# account service", "Students" and "Backups", in the guide's order and word for word, as root
# in /root with the packages in ./build/packages/, answering yes to apt. After each block
# what it promises is checked through nginx and TLS, as a game asks: the unit and its dynamic
# user, the state and socket folders, the games' create, login and update, the students'
# logins after an import into the running service, a backup and its restore. Then a restart,
# apt remove (the unit stops, the accounts stay), apt purge (they go, nginx -t passes), and
# an upgrade from the 1.0-2 packages that keeps every account (accounts_across_upgrade.sh).
# The machine is made from BASE (a debootstrap tarball) with SOURCES_LIST, which its apt
# uses only while it is prepared: the packages the guide installs are fetched then.
# Needs root; prints what each step took.
set -euo pipefail
source_dir=$1
work=$2
packages=$3
old=$4
base=$5
sources_list=$6
guide="$source_dir/docs/school.md"
version="$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)"
old_deb="$(cd "$old" && ls dovrix-account-server_*.deb)"
source "$source_dir/tests/packaging/report.sh"
mkdir -p "$work"
root="$work/machine"
machine="dovrix-school-$$"
log="$work/machine.log"
: >"$log"

# --- the machine: the base, systemd, and the archives of what the guide installs
nspawn=""
cleanup() {
    if [ -n "$nspawn" ]; then
        # SIGTERM asks the machine's systemd to power off.
        kill -TERM "$nspawn" 2>/dev/null || true
        for _ in $(seq 150); do kill -0 "$nspawn" 2>/dev/null || break; sleep 0.2; done
        kill -KILL "$nspawn" 2>/dev/null || true
        wait "$nspawn" 2>/dev/null || true
        nspawn=""
    fi
    if mountpoint -q "$root/proc"; then umount "$root/proc"; fi
}
trap cleanup EXIT
cleanup
rm -rf "$root"
mkdir -p "$root"
step "the server's machine: Debian 12 with systemd"
tar -C "$root" -xzf "$base"
cp "$sources_list" "$root/etc/apt/sources.list"
echo school-server >"$root/etc/hostname"
printf '127.0.0.1 localhost\n127.0.1.1 school-server\n' >"$root/etc/hosts"
mkdir -p "$root/root/build/packages" "$root/root/old"
cp "$packages"/dovrix-account-server_*.deb "$root/root/build/packages/"
cp "$old/$old_deb" "$root/root/old/"
in_chroot() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@" >>"$log" 2>&1
}
# No service starts while it is prepared.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"
in_chroot apt-get update -q || fail "apt-get update: $(tail -3 "$log")"
# systemd with the name service of its dynamic users, as a Debian server has them; sudo, as
# the guide uses it; curl, the test's client.
in_chroot eatmydata apt-get install -y -q --no-install-recommends systemd systemd-sysv dbus \
    libnss-systemd sudo curl || fail "installing systemd: $(tail -3 "$log")"
# What the guide's apt installs (with recommends, as apt does), fetched now: the machine's
# network is its own loopback.
in_chroot apt-get install -y -q --download-only nginx openssl \
    "/root/build/packages/dovrix-account-server_${version}_amd64.deb" ||
    fail "fetching nginx: $(tail -3 "$log")"
umount "$root/proc"
rm "$root/usr/sbin/policy-rc.d"

# --- booted: systemd as the first process of its own namespaces
step "booting it"
# nspawn keeps its per-machine files here; /run/systemd of this machine may not take them.
mkdir -p /run/systemd/nspawn
mountpoint -q /run/systemd/nspawn || mount -t tmpfs tmpfs /run/systemd/nspawn
systemd-nspawn --quiet -D "$root" --machine="$machine" --boot --register=no --keep-unit \
    --private-network --console=passive >"$work/console.log" 2>&1 &
nspawn=$!
init=""
# The machine's first process: nspawn's child once it runs systemd.
for _ in $(seq 300); do
    init="$(ps -o pid=,comm= --ppid "$nspawn" | awk '$2 == "systemd" { print $1 }')" || true
    [ -n "$init" ] && break
    sleep 0.1
done
[ -n "$init" ] || { fail "the machine did not boot: $(cat "$work/console.log")"; exit "$failures"; }
# in_machine COMMAND...: run in the machine, as root in a clean environment.
in_machine() {
    nsenter -t "$init" -a env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 "$@"
}
# Until its systemd has opened its bus, systemctl cannot ask it.
for _ in $(seq 300); do
    state="$(in_machine timeout 120 systemctl is-system-running --wait 2>&1)" || true
    [[ "$state" == *"Failed to connect to bus"* ]] || break
    sleep 0.2
done
if [ "$state" != running ]; then
    fail "the machine's systemd is '$state': $(in_machine systemctl --failed --no-legend 2>&1)"
    exit "$failures"
fi

# --- what the games and the administrator see
# ask TARGET: the body of the reply to a game's request to https://games.school.example/TARGET
# through nginx, checked against the guide's certificate.
ask() {
    in_machine curl -sS --max-time 60 --cacert /etc/dovrix/tls/fullchain.pem \
        --resolve games.school.example:443:127.0.0.1 "https://games.school.example/$1" 2>&1 ||
        true
}
# systemctl reload only signals nginx; its master opens the site's port a moment later.
wait_for_site() {
    for _ in $(seq 100); do
        in_machine curl -s -o /dev/null -k --resolve games.school.example:443:127.0.0.1 \
            https://games.school.example/ && return
        sleep 0.1
    done
}
# expect TARGET REPLY: the request gets that reply.
expect() {
    local answer
    answer="$(ask "$1")"
    [ "$answer" = "$2" ] || fail "${1%%&p=*}... answers '${answer:0:80}', not '$2'"
}
account() {
    echo "dovrix/account?o=$1&u=$2&p=$3${4:+&l=$4}"
}
service="dovrix-account-server"
main_pid() {
    in_machine systemctl show -p MainPID --value "$service" || true
}
# Every file the service keeps is its own (the owner systemd gives its folder, whether the
# service runs or not): a file it cannot open loses it the accounts.
owned_by_service() {
    local strangers
    strangers="$(in_machine sh -c 'find /var/lib/private/dovrix \
        ! -uid "$(stat -c %u /var/lib/private/dovrix)" -printf "%p %u\n"' 2>&1)" || true
    [ -z "$strangers" ] || fail "$1 leaves files the service does not own: $strangers"
}

# as_www_data: a request straight to the account server's socket, as nginx's user.
as_www_data() {
    in_machine setpriv --reuid=www-data --regid=www-data --init-groups curl -sf -o /dev/null \
        -H 'X-Real-IP: 192.0.2.7' --unix-socket /run/dovrix-account-server/account.sock \
        http://localhost/dovrix/pars
}
# The unit, its dynamic user, its folders and its journal, as the guide says.
check_service() {
    # systemd counts the service started once its program runs; it listens a moment later.
    for _ in $(seq 100); do as_www_data && break; sleep 0.1; done
    [ "$(in_machine systemctl is-active "$service")" = active ] ||
        fail "the service is not running: $(in_machine journalctl -u "$service" -n 5 2>&1)"
    local pid uid
    pid="$(main_pid)"
    uid="$(in_machine id -u "$service" 2>&1)" || true
    [ "$(in_machine stat -c '%U %G' "/proc/$pid")" = "$service www-data" ] ||
        fail "the service runs as '$(in_machine stat -c '%U %G' "/proc/$pid" 2>&1)'"
    # A dynamic user: made by systemd while the unit runs, in its range, in no passwd file.
    [[ "$uid" =~ ^[0-9]+$ ]] && [ "$uid" -ge 61184 ] && [ "$uid" -le 65519 ] ||
        fail "the service's user has the id '$uid', not a dynamic one"
    in_machine grep -q "^$service:" /etc/passwd && fail "the service's user is in /etc/passwd"
    [ "$(in_machine readlink /var/lib/dovrix)" = private/dovrix ] &&
        [ "$(in_machine stat -L -c '%a %U' /var/lib/dovrix)" = "700 $service" ] &&
        [ "$(in_machine stat -c '%a %U' /var/lib/dovrix/accounts.sqlite)" = "600 $service" ] ||
        fail "the state: $(in_machine ls -ld /var/lib/dovrix /var/lib/dovrix/ 2>&1)" \
            "$(in_machine ls -l /var/lib/dovrix/ 2>&1)"
    # Only the service and nginx's group enter the socket's folder.
    [ "$(in_machine stat -c '%a %U %G' /run/dovrix-account-server)" = "750 $service www-data" ] ||
        fail "the socket's folder is '$(in_machine stat -c '%a %U %G' /run/dovrix-account-server)'"
    as_www_data || fail "nginx's user cannot reach the account server's socket"
    in_machine setpriv --reuid=nobody --regid=nogroup --clear-groups curl -sf -o /dev/null \
        -H 'X-Real-IP: 10.20.0.9' --unix-socket /run/dovrix-account-server/account.sock \
        http://localhost/dovrix/pars &&
        fail "a user outside nginx's group reaches the socket, posing as any address"
    # No network but its own loopback.
    [ "$(in_machine readlink "/proc/$pid/ns/net")" != "$(in_machine readlink /proc/1/ns/net)" ] ||
        fail "the service shares the machine's network"
}

# The accounts survive the upgrade (the hooks fill and check them).
source "$source_dir/tests/packaging/accounts_across_upgrade.sh"

# --- the guide, block by block
mapfile -d '' blocks < <(awk '
    /^## / { section = substr($0, 4) }
    /^```/ && inside { printf "%s%c", block, 0; inside = 0; next }
    /^```sh$/ && (section == "Running the account service" || section == "Students" ||
                  section == "Backups") { inside = 1; block = ""; next }
    inside { block = block $0 "\n" }' "$guide")
grep -qF "./build/packages/${service}_${version}_amd64.deb" <<<"${blocks[*]}" ||
    fail "the guide does not install ${service}_$version, the package this build makes"
# sudoedit's editor: the school's ranges, as the guide's comment says.
printf '#!/bin/sh\nsed -i "s|^trust = .*|trust = 10.20.0.0/16|" "$1"\n' \
    >"$root/usr/local/bin/set-school-ranges"
chmod 755 "$root/usr/local/bin/set-school-ranges"
cat >"$root/root/students.csv" <<'EOF'
username,password
Kai,kite-Runner-42
"Mira","lamp, post 7"
EOF
seen=()
kai=1
for block in "${blocks[@]}"; do
    step "the guide: $(head -1 <<<"$block")"
    case "$block" in
    *"import-students"*"--take-over"*)
        # An online account that was there before the list, now on it.
        expect "$(account create Noor pen-Ultimate-1)" Success
        expect "$(account update Noor pen-Ultimate-1 5)" OK
        echo 'Noor,noor-School-9' >>"$root/root/students.csv"
        ;;
    *"systemctl stop"*)
        # The guide restores the backup of a day it names: today's is that one here.
        restored="$(grep -o '/root/dovrix-[0-9-]*\.sqlite' <<<"$block" | head -1)"
        [ "$restored" = "$backup_file" ] || in_machine cp "$backup_file" "$restored"
        ;;
    esac
    status=0
    in_machine env SUDO_EDITOR=set-school-ranges bash -ex -c "cd /root
$block" < <(yes) >"$work/block.log" 2>&1 || status=$?
    cat "$work/block.log" >>"$log"
    if [ "$status" -ne 0 ]; then
        fail "the guide's commands end with $status: $(head -1 <<<"$block") ..." \
            "$(tail -5 "$work/block.log")"
        continue
    fi
    case "$block" in
    *"apt install nginx"*)
        seen+=(install)
        check_service
        grep -q "^trust = 10.20.0.0/16$" "$root/etc/dovrix/account-server.conf" ||
            fail "sudoedit did not change the ranges"
        # journalctl shows the service's lines: the stop of the restart among them.
        grep -q "$service: stopped" "$work/block.log" ||
            fail "the journal has no stop line: $(tail -5 "$work/block.log")"
        ;;
    *"sites-enabled"*)
        seen+=(site)
        wait_for_site
        expect "$(account create Ada rose-Garden-3)" Success
        expect "$(account login Ada rose-Garden-3)" 1
        expect "$(account update Ada rose-Garden-3 7)" OK
        expect "$(account login Ada rose-Garden-3)" 7
        expect "$(account login Ada wrong-Garden-3)" "Invalid Username and/or Password"
        # After the guide's restart the school's ranges are the edited ones: loopback is
        # not the school network any more.
        expect "$(account qel Pupil '')" "Invalid Username and/or Password"
        answer="$(in_machine curl -s -o /dev/null -w '%{http_code} %{redirect_url}' \
            --resolve games.school.example:80:127.0.0.1 \
            'http://games.school.example/dovrix/pars')" || true
        [ "$answer" = "301 https://games.school.example/dovrix/pars" ] ||
            fail "plain http answers '$answer'"
        ;;
    *"import-students"*)
        if [[ "$block" == *--take-over* ]]; then seen+=(take-over); else seen+=(import); fi
        # Into the running service: it answers the students and everyone else at once,
        # writes, and starts again on the files the import touched.
        if [[ "$block" == *--take-over* ]]; then
            grep -q "Noor is now the student's" "$work/block.log" ||
                fail "the take-over: $(tail -3 "$work/block.log")"
            expect "$(account halvern Noor noor-School-9)" 5
            expect "$(account login Noor pen-Ultimate-1)" "Invalid Username and/or Password"
        else
            expect "$(account vorna Kai kite-Runner-42)" Success
            expect "$(account halvern Kai kite-Runner-42)" 1
            expect "$(account halvern Mira lamp%2C%20post%207)" 1
            expect "$(account vorna Kai wrong-Runner-42)" "Invalid Username and/or Password"
        fi
        kai=$((kai + 1))
        expect "$(account update Kai kite-Runner-42 "$kai")" OK
        expect "$(account login Ada rose-Garden-3)" 7
        owned_by_service "the import"
        before="$(main_pid)"
        in_machine systemctl restart "$service" || fail "systemctl restart after the import"
        check_service
        [ "$(main_pid)" != "$before" ] || fail "systemctl restart did not start a new server"
        expect "$(account halvern Kai kite-Runner-42)" "$kai"
        kai=$((kai + 1))
        expect "$(account update Kai kite-Runner-42 "$kai")" OK
        ;;
    *"systemctl stop"*)
        seen+=(restore)
        # The accounts as they were at the backup, and the service writes them again.
        check_service
        expect "$(account login Ada rose-Garden-3)" 7
        expect "$(account update Ada rose-Garden-3 10)" OK
        owned_by_service "the restore"
        ;;
    *"$service backup"*)
        seen+=(backup)
        backup_file="/root/dovrix-$(date +%F).sqlite"
        [ "$(in_machine stat -c '%a %U' "$backup_file" 2>&1)" = "600 root" ] ||
            fail "the backup: $(in_machine ls -l /root/ 2>&1)"
        # A change after the backup, which the restore takes back.
        expect "$(account update Ada rose-Garden-3 9)" OK
        expect "$(account login Ada rose-Garden-3)" 9
        ;;
    esac
done
[ "${seen[*]}" = "install site import take-over backup restore" ] ||
    fail "the guide's commands came in this order: ${seen[*]}"

step "apt remove: the service stops, the accounts stay"
in_machine sudo apt remove "$service" < <(yes) >>"$log" 2>&1 || fail "apt remove: $(tail -3 "$log")"
[ "$(in_machine systemctl is-active "$service")" != active ] ||
    fail "the service runs after apt remove"
in_machine test -e /run/dovrix-account-server && fail "the socket's folder is left after apt remove"
in_machine test -s /var/lib/dovrix/accounts.sqlite || fail "apt remove took the accounts"
# nginx answers for the missing server with the failure text the game knows.
expect "$(account login Ada rose-Garden-3)" "Error Creating Account"
in_machine nginx -t -q 2>/dev/null || fail "nginx -t after apt remove"

step "apt purge: the accounts and the site's link go, nginx stays good"
in_machine sudo apt purge "$service" < <(yes) >>"$log" 2>&1 || fail "apt purge: $(tail -3 "$log")"
for gone in /var/lib/dovrix /var/lib/private/dovrix /etc/dovrix/account-server.conf \
    /etc/nginx/sites-enabled/dovrix-account-server.conf \
    "/etc/systemd/system/multi-user.target.wants/$service.service"; do
    in_machine test -e "$gone" -o -L "$gone" && fail "$gone is left after apt purge"
done
in_machine nginx -t -q 2>/dev/null || fail "nginx -t after apt purge: $(in_machine nginx -t 2>&1)"
[ "$(in_machine systemctl is-active nginx)" = active ] || fail "nginx stopped with the purge"

step "the 1.0-2 packages, as schools have them, upgraded to $version"
in_machine apt-get install -y -q "/root/old/$old_deb" >>"$log" 2>&1 ||
    fail "installing $old_deb: $(tail -3 "$log")"
in_machine bash -ec 'ln -s ../sites-available/dovrix-account-server.conf /etc/nginx/sites-enabled/
    nginx -t -q && systemctl reload nginx' >>"$log" 2>&1 || fail "the site with 1.0-2"
wait_for_site
fill_old_release
before="$(main_pid)"
in_machine apt-get install -y -q "/root/build/packages/${service}_${version}_amd64.deb" \
    >>"$log" 2>&1 || fail "upgrading to $version: $(tail -3 "$log")"
check_service
[ "$(in_machine "$service" --version)" = "$service ${version%-*}" ] ||
    fail "the upgrade left $(in_machine "$service" --version)"
[ "$(main_pid)" != "$before" ] &&
    [ "$(in_machine readlink "/proc/$(main_pid)/exe")" = "/usr/sbin/$service" ] ||
    fail "the upgrade did not restart the service on its new program"
check_upgraded

step "done"
exit "$failures"
