#!/usr/bin/env bash
# check_on_debian.sh SOURCE_DIR WORK_DIR PACKAGES_DIR UNPACKED_ROOT
# The packages on a fresh Debian 12 as a school's machine gets them, in chroots made from a
# debootstrap of the machine's own apt sources (kept in ${XDG_CACHE_HOME:-~/.cache}/dovrix):
#   - piuparts: both packages installed, removed and purged, and upgraded from the 1.0-2
#     packages (built once from the commit they were released from, kept in the cache), with
#     nothing left behind and no link broken;
#   - check_under_systemd.sh: the account service on a server booted with systemd, set up
#     by the school guide's commands, upgraded from 1.0-2, removed and purged;
#   - the game installed where fonts-liberation is absent brings it, and its login window,
#     shown on a display of its own, looks as it does on the machine that built it;
#   - the account server behind nginx as the README enables it: the site answers plain http
#     with a redirect to https, removing the package keeps the accounts, purging it takes
#     them, the logs and the site's link, and nginx's configuration still tests good.
# piuparts and the booted server run beside the chroot's checks; their verdicts are read at
# the end. Needs root (chroot, mounts, systemd-nspawn); prints what each step took.
set -euo pipefail
source_dir=$1
work=$2
packages=$3
unpacked=$4
cache="${XDG_CACHE_HOME:-$HOME/.cache}/dovrix"
# The release schools have: the commit its packages were built from (by its own
# scripts/package).
old_version=1.0-2
old_release=db1fb3ce8acca700051d5072837420aeb4fc57d3
source "$source_dir/tests/packaging/report.sh"
mkdir -p "$cache" "$work"

# The machine's apt sources, as "URI SUITE" lines, the release's own first.
sources="$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
    sort -u | awk '{ print ($2 == "bookworm" ? 0 : 1), $0 }' | sort | cut -d' ' -f2-)"
mirror="$(head -1 <<<"$sources" | cut -d' ' -f1)"

# With eatmydata, which piuparts then puts before dpkg, as in the bases it makes itself: no
# fsync for every file, and no other change to what gets installed.
base="$cache/bookworm-minbase-eatmydata.tar.gz"
if [ ! -s "$base" ]; then
    step "making $base with debootstrap from $mirror"
    rm -rf "$cache/debootstrap"
    debootstrap --variant=minbase --include=eatmydata bookworm "$cache/debootstrap" "$mirror" \
        >"$work/debootstrap.log"
    tar -C "$cache/debootstrap" -czf "$base.part" .
    mv "$base.part" "$base"
    rm -rf "$cache/debootstrap"
fi

# The old packages, with the index of a repository where piuparts' apt finds them; made under
# another name and renamed, since other checkouts share the cache.
old="$cache/packages-$old_version"
if ! compgen -G "$old/*.deb" >/dev/null; then
    step "building the $old_version packages from $old_release"
    rm -rf "$work/old-release"
    git -C "$source_dir" worktree add --detach "$work/old-release/source" "$old_release" >/dev/null
    "$work/old-release/source/scripts/package" "$work/old-release" >"$work/old-release.log"
    mkdir -p "$old.part-$$"
    cp "$work/old-release/packages/"*_"$old_version"_*.deb "$old.part-$$/"
    (cd "$old.part-$$" && dpkg-scanpackages --multiversion . >Packages 2>/dev/null)
    mv -T "$old.part-$$" "$old" 2>/dev/null || rm -rf "$old.part-$$"
    git -C "$source_dir" worktree remove --force "$work/old-release/source"
fi

debs=("$packages"/dovrix_*.deb "$packages"/dovrix-account-server_*.deb)
# piuparts runs beside the chroot of our own below; its verdict is read at the end.
step "piuparts: install, remove, purge, and upgrade from $old_version (beside the rest)"
extra=()
while read -r uri suite; do
    extra+=(--extra-repo "deb $uri $suite main")
done < <(tail -n +2 <<<"$sources")
rm -f "$work/piuparts.log"
piuparts --basetgz "$base" --distribution bookworm --mirror "$mirror main" "${extra[@]}" \
    --bindmount "$old" --extra-repo "deb [trusted=yes] file://$old ./" \
    --log-file "$work/piuparts.log" "${debs[@]}" >/dev/null 2>&1 &
piuparts=$!

step "the account service under systemd (beside the rest)"
while read -r uri suite; do
    echo "deb $uri $suite main"
done <<<"$sources" >"$work/sources.list"
"$source_dir/tests/packaging/check_under_systemd.sh" "$source_dir" "$work/systemd" "$packages" \
    "$old" "$base" "$work/sources.list" >"$work/systemd.log" 2>&1 &
under_systemd=$!

# --- a chroot of our own: the same base, with the machine's sources
root="$work/chroot"
display=""
cleanup() {
    if [ -n "$display" ]; then
        kill "$display" 2>/dev/null || true
        display=""
    fi
    for mount in tmp/.X11-unix proc; do
        if mountpoint -q "$root/$mount"; then umount "$root/$mount"; fi
    done
}
trap 'cleanup; kill "$piuparts" "$under_systemd" 2>/dev/null || true' EXIT
cleanup
rm -rf "$root"
mkdir -p "$root"
tar -C "$root" -xzf "$base"
cp "$work/sources.list" "$root/etc/apt/sources.list"
# No service starts in the chroot: its nginx would listen on this machine's port 80.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"
mkdir -p "$root/tmp/debs"
cp "${debs[@]}" "$root/tmp/debs/"
in_root() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
install() {
    in_root eatmydata apt-get install -y -q --no-install-recommends "$@" >>"$work/apt.log" 2>&1
}
step "the game where fonts-liberation is absent"
in_root apt-get update -q >"$work/apt.log" 2>&1
in_root dpkg -s fonts-liberation >/dev/null 2>&1 && fail "the base has fonts-liberation already"
install "/tmp/debs/$(basename "${debs[0]}")" || fail "installing dovrix: $(tail -3 "$work/apt.log")"
family="$(in_root fc-match -f '%{family}' 'Liberation Sans' 2>&1 || true)"
[ "$family" = "Liberation Sans" ] || fail "the game's typeface is not installed: '$family'"

# The login window, from the installed game and from the same program on this machine, on
# one display of 96 dots per inch (which does not reset when a window closes, so the next
# game finds it).
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset 3>"$work/display" \
    >/dev/null 2>&1 &
display=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
# shot NAME COMMAND...: starts the game, saves its window as NAME.png, ends it.
shot() {
    local name=$1 window="" game
    shift
    env QT_QPA_PLATFORM=xcb "$@" >"$work/$name.log" 2>&1 &
    game=$!
    for _ in $(seq 100); do
        window="$(xwininfo -root -children 2>/dev/null |
            awk '/\("dovrix" "Dovrix"\)/ { print $1; exit }')"
        [ -n "$window" ] && break
        sleep 0.2
    done
    sleep 2
    if [ -n "$window" ]; then
        import -window "$window" "$work/$name.png"
    else
        fail "no window from $name: $(cat "$work/$name.log")"
    fi
    kill "$game" 2>/dev/null
    wait "$game" 2>/dev/null || true
}
shot login-installed chroot "$root" env -i HOME=/tmp LANG=C.UTF-8 DISPLAY="$DISPLAY" \
    QT_QPA_PLATFORM=xcb /usr/games/dovrix
shot login-here env HOME="$work" "$unpacked/usr/games/dovrix"
# Rendered by the same program in the same typeface, the two agree. The menu bar above is
# in the desktop's own font, which differs between the two.
if [ -s "$work/login-installed.png" ] && [ -s "$work/login-here.png" ]; then
    size="$(identify -format '%wx%h' "$work/login-here.png")"
    differing="$(compare -metric AE -fuzz 10% -extract "${size%x*}x$((${size#*x} - 20))+0+20" \
        "$work/login-installed.png" "$work/login-here.png" null: 2>&1 || true)"
    [ "$(identify -format '%wx%h' "$work/login-installed.png")" = "$size" ] &&
        [ "${differing%.*}" -lt 20 ] ||
        fail "the installed game's login window differs in $differing pixels" \
            "($work/login-installed.png, $work/login-here.png)"
fi
cleanup
mount -t proc proc "$root/proc"

step "the account server behind nginx, removed and purged"
install nginx "/tmp/debs/$(basename "${debs[1]}")" ||
    fail "installing nginx and dovrix-account-server: $(tail -3 "$work/apt.log")"
[ "$(stat -c '%a %U' "$root/etc/dovrix/tls")" = "700 root" ] ||
    fail "/etc/dovrix/tls is $(stat -c '%a %U' "$root/etc/dovrix/tls" 2>&1)"
[ -L "$root/etc/systemd/system/multi-user.target.wants/dovrix-account-server.service" ] ||
    fail "the service is not enabled on install"
# As the README says: the certificate and key, then the site's link.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
    -keyout "$root/etc/dovrix/tls/privkey.pem" -out "$root/etc/dovrix/tls/fullchain.pem" \
    -subj /CN=games.school.example 2>/dev/null
in_root ln -s ../sites-available/dovrix-account-server.conf /etc/nginx/sites-enabled/
in_root nginx -t -q || fail "nginx -t with the site enabled"
# nginx in a network of its own: plain http is sent on to https, the query kept.
answer="$(unshare --net sh -c "ip link set lo up && chroot '$root' nginx &&
    curl -s -o /dev/null -w '%{http_code} %{redirect_url}' 'http://127.0.0.1/dovrix/pars?o=x';
    chroot '$root' nginx -s stop 2>/dev/null")" || true
[ "$answer" = "301 https://127.0.0.1/dovrix/pars?o=x" ] || fail "plain http answers '$answer'"
# What the service made while it ran (a dynamic user keeps it in /var/lib/private).
mkdir -p "$root/var/lib/private/dovrix"
touch "$root/var/lib/private/dovrix/accounts.sqlite" \
    "$root/var/log/nginx/dovrix-account-server.access.log"
ln -s private/dovrix "$root/var/lib/dovrix"
# A site of the administrator's own, which stays.
echo 'server { listen 127.0.0.1:8081; server_name other.example; }' \
    >"$root/etc/nginx/sites-available/other.conf"
in_root ln -s ../sites-available/other.conf /etc/nginx/sites-enabled/
in_root apt-get remove -y -q dovrix-account-server >>"$work/apt.log" 2>&1
[ -e "$root/var/lib/dovrix/accounts.sqlite" ] || fail "removing the package lost the accounts"
in_root nginx -t -q || fail "nginx -t after removing the package"
in_root apt-get purge -y -q dovrix-account-server >>"$work/apt.log" 2>&1
in_root nginx -t -q || fail "nginx -t after purging the package: $(in_root nginx -t 2>&1)"
for gone in etc/nginx/sites-enabled/dovrix-account-server.conf var/lib/dovrix \
    var/lib/private/dovrix var/log/nginx/dovrix-account-server.access.log \
    etc/systemd/system/multi-user.target.wants/dovrix-account-server.service; do
    [ -e "$root/$gone" ] || [ -L "$root/$gone" ] && fail "/$gone is left after purging"
done
[ -L "$root/etc/nginx/sites-enabled/default" ] && [ -L "$root/etc/nginx/sites-enabled/other.conf" ] ||
    fail "purging took a link that is not the package's"

cleanup
rm -rf "$root"
if ! wait "$piuparts"; then
    fail "piuparts: $(grep -m3 -E 'FAIL|ERROR' "$work/piuparts.log")"
fi
grep -q "PASS: Installation, upgrade and purging tests" "$work/piuparts.log" ||
    fail "piuparts did not test the upgrade from $old_version"
status=0
wait "$under_systemd" || status=$?
sed 's/^/    under systemd: /' "$work/systemd.log"
[ "$status" -eq 0 ] || fail "under systemd: $status failures ($work/systemd.log)"
step "done"
exit "$failures"
