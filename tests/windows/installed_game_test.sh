#!/usr/bin/env bash
# The MSI as a school deploys it, in a fresh Wine prefix on an X server of its own, against
# the account service as a school runs it: scripts/serve (nginx with TLS, its certificate
# signed by a test authority the system does not trust, in front of the account server).
#   installed_game_test.sh DOVRIX.msi DEBIAN-ACCOUNT-SERVER SERVE-SCRIPT CONSOLE-LAUNCHER.exe
#                          SCREENSHOT-FOLDER
# The package itself: a per-machine install whose Start-menu shortcut starts dovrix.exe.
# At home: a silent install with SERVERURL=https://... and CAFILE naming the authority; in a
# console dovrix.exe --version prints the version; the login window, the start window and
# the play window show their buttons coloured as on Debian (docs/screenshots/); a new account
# typed into the login window and level 1 played with mouse drags leave level 2 on the server.
# Without the authorities, and with the server's address under a name its certificate does
# not carry, the login fails with the game's own box, one line on the standard error names
# the URL and the TLS error, and nginx sees no request at all, in clear or otherwise. A
# message box draws every letter ("I" and "!" among them).
# At school: the next version installed over it with the district domain Wine sets and the
# progress share \\fs1\dovrix$ (a folder the prefix maps); the home drive comes from a value
# set by hand after the first install, as Group Policy would set it, which the upgrade keeps;
# level 1 played by the student NWUSERNAME=pat.kim leaves level 2 in "Dovrix\Pat Kim.txt".
# The silent uninstall leaves no file in Program Files\Dovrix, no shortcut and no setting the
# installer wrote, keeps the one set by hand, and the players' files on the share.
# The screenshots stay in SCREENSHOT-FOLDER.
set -euo pipefail

if [ -z "${DOVRIX_TEST_ON_DISPLAY:-}" ]; then
    # Wine wants a display even for a silent install.
    DOVRIX_TEST_ON_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

msi=$(realpath "$1")
server_program=$2
serve_script=$3
console_launcher=$(realpath "$4")
shots=$5
here=$(cd "$(dirname "$0")" && pwd)
screenshots=$here/../../docs/screenshots
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(dirname "$wine")/wineserver
python=/usr/bin/python3 # Debian's, with python3-pil

work=$(mktemp -d)
serve_pid=""
cleanup() {
    "$wineserver" -k 2>/dev/null || true
    if [ -n "$serve_pid" ]; then
        kill "$serve_pid" 2>/dev/null || true
        wait "$serve_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    import -window root "$work/screen.png" 2>/dev/null &&
        cp "$work/screen.png" "${TMPDIR:-/tmp}/dovrix-installed-game-failure.png" &&
        echo "the screen: ${TMPDIR:-/tmp}/dovrix-installed-game-failure.png" >&2
    [ ! -s "$work/game.log" ] || { echo "the game's output:" >&2; cat "$work/game.log" >&2; }
    exit 1
}

# Nothing of the test's own environment may steer the game: only the installed settings do.
unset DOVRIX_SERVER_URL DOVRIX_PROGRESS_SHARE DOVRIX_CA_FILE NWUSERNAME LOGIN
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$here/new-prefix" "$WINEPREFIX"
installed="$WINEPREFIX/drive_c/Program Files/Dovrix"
mkdir -p "$shots"

winepath_of() {
    echo "Z:${1//\//\\}"
}

# --- the account service: a test authority, a certificate for 127.0.0.1 that it signs, the
# student pat.kim on the server's list, scripts/serve on a free port.
(
    cd "$work"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
        -keyout authority.key -out authority.pem -subj "/CN=Dovrix Test Authority" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout server.key \
        -out server.csr -subj /CN=127.0.0.1
    printf 'subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' >server.ext
    openssl x509 -req -in server.csr -CA authority.pem -CAkey authority.key -CAcreateserial \
        -days 2 -extfile server.ext -out server.pem
    # nginx sends the chain, as the school guide has it (Wine's Schannel finds an issuer only
    # among the certificates the server sends; trust comes from CaFile all the same).
    cat server.pem authority.pem >fullchain.pem
) 2>/dev/null || fail "openssl could not make the certificates"
authority=$(winepath_of "$work/authority.pem")
printf 'pat.kim,kim-password\n' >"$work/students.csv"
"$server_program" import-students "$work/students.csv" --db "$work/accounts.sqlite" >/dev/null
port=$("$python" -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])')
# scripts/serve keeps its folder, nginx's log with it, here; nginx's workers, which run as
# nobody when the test runs as root, pass through to the account server's socket in it.
mkdir "$work/serve"
chmod 711 "$work"
coproc SERVE {
    TMPDIR=$work/serve exec "$serve_script" --port "$port" --db "$work/accounts.sqlite" \
        --tls-cert "$work/fullchain.pem" --tls-key "$work/server.key" \
        --server "$server_program" 2>"$work/serve.log"
}
serve_pid=$SERVE_PID
read -r -t 60 line <&"${SERVE[0]}" || fail "scripts/serve did not start: $(cat "$work/serve.log")"
server_url=${line#listening on }
# nginx's access log: every request it was sent, by TLS or in clear.
access_log=$(echo "$work"/serve/dovrix-serve-*/dovrix-account-server.access.log)

# The level the server holds for an account, as its login request answers over TLS.
account_level() {
    "$python" -c 'import ssl, sys, urllib.parse, urllib.request
query = urllib.parse.urlencode({"o": "login", "u": sys.argv[3], "p": sys.argv[4]})
tls = ssl.create_default_context(cafile=sys.argv[2])
reply = urllib.request.urlopen(sys.argv[1] + "dovrix/account?" + query, context=tls)
print(reply.read().decode())' \
        "$server_url" "$work/authority.pem" "$1" "$2"
}

server_holds() {
    [ "$(account_level "$1" "$2")" = "$3" ]
}

file_holds() {
    [ -f "$1" ] && [ "$(cat "$1"; echo .)" = "$2." ]
}

# Waits up to $1 seconds for a command to succeed.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

blue_blocks() {
    import -window root "$work/screen.png"
    "$python" "$here/screen_regions.py" "$work/screen.png" 0 0 255 30 >"$work/blocks"
    [ "$(wc -l <"$work/blocks")" -eq "$1" ]
}

# A screenshot, kept as $shots/$1.png, shows the buttons of the Debian picture $2 at the
# points given (inside each button, beside its caption) as Debian draws them.
looks_as_on_debian() {
    local name=$1 picture=$2
    shift 2
    import -window root "$shots/$name.png"
    "$python" "$here/buttons_as_on_debian.py" "$shots/$name.png" "$screenshots/$picture" "$@" \
        >"$work/looks"
}

install() {
    "$wine" msiexec /i "$(winepath_of "$1")" "${@:2}" /qn || fail "msiexec /i ${*:2} failed"
    [ -f "$installed/dovrix.exe" ] || fail "no dovrix.exe in Program Files\\Dovrix"
}

# The setting's value in the registry, or nothing.
setting() {
    "$wine" reg query 'HKLM\SOFTWARE\Dovrix\Dovrix' /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_SZ *//p"
}

# A machine setting made by hand, as Group Policy Preferences would make it.
set_by_hand() {
    "$wine" reg add 'HKLM\SOFTWARE\Dovrix\Dovrix' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
}

shortcuts() {
    find "$WINEPREFIX/drive_c" -iname 'dovrix*.lnk'
}

# The same package as the next version (the last number of the product version one more), as
# wixl makes it for that version: its product version and code, a package code of its own, and
# the Upgrade rows of MajorUpgrade.
next_version_of() {
    local next=$2 version upgrade_code guid
    guid() { "$python" -c 'import uuid; print("{%s}" % str(uuid.uuid4()).upper())'; }
    cp "$1" "$next"
    version=$(product_property "$next" ProductVersion)
    version=${version%.*}.$((${version##*.} + 1))
    upgrade_code=$(product_property "$next" UpgradeCode)
    printf '%s\r\n' \
        "UpgradeCode	VersionMin	VersionMax	Language	Attributes	Remove	ActionProperty" \
        "s38	S20	S20	S255	i4	S255	s72" \
        "Upgrade	UpgradeCode	VersionMin	VersionMax	Language	Attributes" \
        "$upgrade_code		$version		1		WIX_UPGRADE_DETECTED" \
        "$upgrade_code	$version			2		WIX_DOWNGRADE_DETECTED" >"$work/Upgrade.idt"
    (cd "$work" && msibuild "$next" -i Upgrade.idt \
        -q "UPDATE \`Property\` SET \`Value\` = '$version' WHERE \`Property\` = 'ProductVersion'" \
        -q "UPDATE \`Property\` SET \`Value\` = '$(guid)' WHERE \`Property\` = 'ProductCode'" \
        -s "Dovrix $version" "Dovrix developers" "x64;1033" "$(guid)")
}

product_property() {
    msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"
}

# Starts the installed game as the Start-menu shortcut does and waits for its first window.
start_game() {
    (cd "$installed" && "$wine" "C:\\Program Files\\Dovrix\\dovrix.exe" >"$work/game.log" 2>&1 &)
    wait_for 60 xdotool search --onlyvisible --name '^Dovrix$' >/dev/null ||
        fail "no Dovrix window"
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Dovrix$' | head -n 1)"
}

# A window with this title is shown: the game's own box.
box_shown() {
    wait_for 60 xdotool search --onlyvisible --name "^$1\$" >/dev/null
}

# The login window, once drawn: the account typed in, "Create a New Account" (new) or "Login
# to an Existing Account" (existing) chosen, then Continue. The two options are one stop for
# Tab; an arrow key moves to the other.
log_in() {
    wait_for 30 looks_as_on_debian login login.png 110,556 110,600 ||
        fail "the login window's button is not as on Debian: $(cat "$work/looks")"
    xdotool type --delay 20 "$1"
    xdotool key Tab
    xdotool type --delay 20 "$2"
    if [ "$3" = new ]; then
        xdotool key Tab space Tab Tab space
    else
        xdotool key Tab Right space Tab Tab space
    fi
}

# The start window's button takes the focus once the game has loaded; level 1 follows.
press_start() {
    xdotool key space
    blue_blocks 5
}

# Level 1: five blue blocks below five dots, each flicked up with the mouse. The play window
# at its start, before the first move, is kept as $shots/play.png.
play_level_one() {
    wait_for 60 press_start || fail "the play window with level 1 did not appear"
    cp "$work/screen.png" "$shots/play.png"
    while read -r left top width height; do
        local x=$((left + width / 2)) y=$((top + height / 2))
        xdotool mousemove "$x" "$y" mousedown 1
        for step in 8 16 24 32 40; do
            xdotool mousemove "$x" $((y - step))
        done
        xdotool mouseup 1
        sleep 0.5
    done <"$work/blocks"
    box_shown 'Level Beaten' || fail "level 1 not beaten"
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Level Beaten$' | head -n 1)"
    xdotool key Return
}

# The game's login fails over TLS: its own box, one line on the standard error naming the
# address without its query and the TLS error, and not one request more in nginx's log.
login_fails_over_tls() {
    local address=$1 requests
    requests=$(wc -l <"$access_log")
    start_game
    log_in maryhome secret-1 existing
    box_shown 'Dovrix -- Error Accessing Online Account' ||
        fail "no error box when $2"
    "$wineserver" -k
    local lines
    lines=$(grep -c "^dovrix: TLS failed for ${address}dovrix/account: ." "$work/game.log" || true)
    [ "$lines" = 1 ] || fail "the standard error holds $lines lines on the TLS failure when $2"
    [ "$(wc -l <"$access_log")" = "$requests" ] ||
        fail "nginx was sent a request when $2: $(tail -n 1 "$access_log")"
}

# The dark pixels of the settings box that reports ServerUrl holding $1.
settings_box_ink() {
    set_by_hand ServerUrl "$1"
    start_game
    box_shown 'Dovrix -- Settings Not Used' || fail "no settings box for ServerUrl '$1'"
    sleep 1 # painted
    local box
    box=$(xdotool search --onlyvisible --name '^Dovrix -- Settings Not Used$' | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$box")"
    import -window root "$work/box.png"
    "$wineserver" -k
    "$python" "$here/text_ink.py" "$work/box.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
}

# --- the package: per machine, its shortcut a plain one to the program (wixl makes it an
# advertised one whatever the source says; make-packages puts that right).
echo "== the package"
properties=$(msiinfo export "$msi" Property | tr -d '\r')
grep -qx $'ALLUSERS\t1' <<<"$properties" || fail "the package is not for every user (ALLUSERS)"
shortcut=$(msiinfo export "$msi" Shortcut | tr -d '\r' | grep '^StartMenuShortcut')
[ "$(cut -f 2,5 <<<"$shortcut")" = $'ProgramMenuFolder\t[#dovrix.exe]' ] ||
    fail "the Start-menu shortcut is not a shortcut to dovrix.exe in the program menu: $shortcut"

# --- at home, over TLS with the school's authority
echo "== at home"
install "$msi" SERVERURL="$server_url" CAFILE="$authority"
[ "$(setting ServerUrl)" = "$server_url" ] || fail "SERVERURL did not become the setting"
[ "$(setting CaFile)" = "$authority" ] || fail "CAFILE did not become the setting"
[ -z "$(setting ProgressShare)" ] || fail "a setting not given was written"
# Wine's installer puts the program menu in the installing user's profile whatever ALLUSERS
# says (a FIXME in its msi/package.c); the package asks for every user's, above.
[ "$(shortcuts | wc -l)" = 1 ] || fail "not one Start-menu shortcut: $(shortcuts)"
set_by_hand HomeDrive C:

# A graphical program has no console of its own: started from one, it writes there.
launch_in_console="$wine '$(winepath_of "$console_launcher")'"
launch_in_console+=" 'C:\\Program Files\\Dovrix\\dovrix.exe'"
script -qec "$launch_in_console --version" /dev/null >"$work/console" ||
    fail "dovrix.exe --version in a console failed"
# The console's screen as Wine draws it on a terminal: a cursor step for each blank.
version=$("$python" -c 'import re, sys
text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
text = re.sub(r"\x1b\[(\d*)C", lambda m: " " * int(m.group(1) or 1), text)
print(re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", text).replace("\r", "").strip())' "$work/console")
# The game's version is the product version without its last number.
expected=$(product_property "$msi" ProductVersion)
[ "$version" = "dovrix ${expected%.*}" ] ||
    fail "dovrix.exe --version in a console printed '$version'"

start_game
log_in maryhome secret-1 new
wait_for 60 looks_as_on_debian start start.png 110,556 110,600 ||
    fail "no start window after the login over TLS, or its button not as on Debian:" \
        "$(cat "$work/looks")"
play_level_one
looks_as_on_debian play play.png 646,300 646,353 646,406 ||
    fail "the play window's buttons are not as on Debian: $(cat "$work/looks")"
wait_for 30 server_holds maryhome secret-1 2 ||
    fail "the server holds $(account_level maryhome secret-1) for the new account"
"$wineserver" -k

# --- TLS failures: nothing is sent in clear or anywhere else
echo "== TLS failures"
"$wine" reg delete 'HKLM\SOFTWARE\Dovrix\Dovrix' /v CaFile /f >/dev/null 2>&1
login_fails_over_tls "$server_url" "the authorities are withheld"
set_by_hand CaFile "$authority"
other_name=${server_url/127.0.0.1/localhost}
set_by_hand ServerUrl "$other_name"
login_fails_over_tls "$other_name" "the certificate is for another name"

# --- a message box with every letter: a value of capital I and exclamation marks adds ink
# to the settings box that one of blanks as long does not.
echo "== a message box"
letters=$(settings_box_ink 'IIIIIIIIIIIIIIII!!!!!!!!!!!!!!!!')
cp "$work/box.png" "$shots/box.png"
blanks=$(settings_box_ink '                                ')
echo "the settings box: $letters dark pixels with I and !, $blanks with blanks"
((letters > blanks + 100)) ||
    fail "the box draws I and ! blank ($letters dark pixels against $blanks with blanks)"

# --- at school, after an upgrade
echo "== at school"
share=$work/share
mkdir -p "$share/Dovrix" "$WINEPREFIX/dosdevices/unc/fs1"
ln -s "$share" "$WINEPREFIX/dosdevices/unc/fs1/dovrix\$"
printf ' 7 \r\n' >"$share/Dovrix/Someone Else.txt"
domain=$("$wine" cmd /c 'echo %USERDOMAIN%' | tr -d '\r')
# The home drive set by hand again, in this wineserver: one ended by "wineserver -k" may not
# have written its registry to disk, and the value set before would be gone without any
# installer taking it.
set_by_hand HomeDrive C:
next_version_of "$msi" "$work/dovrix-next.msi"
# An empty property comes after the others: Wine's msiexec takes a property that follows a
# bare "NAME=" for its value (and misreads NAME="").
install "$work/dovrix-next.msi" SERVERURL="$server_url" CAFILE="$authority" \
    'PROGRESSSHARE=\\fs1\dovrix$' DISTRICTDOMAIN="$domain" HOMEDRIVE=
[ "$(setting HomeDrive)" = C: ] || fail "the upgrade did not keep the home drive set by hand"
[ "$(shortcuts | wc -l)" = 1 ] || fail "not one Start-menu shortcut after the upgrade"
export NWUSERNAME=pat.kim
start_game
# No login window at school: the start window, then level 1.
play_level_one
wait_for 30 file_holds "$share/Dovrix/Pat Kim.txt" $' 2 \r\n' ||
    fail "the progress file holds '$(cat "$share/Dovrix/Pat Kim.txt" 2>/dev/null)'"
"$wineserver" -k

# --- removed: what the installer wrote goes, what was set by hand stays
echo "== removed"
"$wine" msiexec /x "$(winepath_of "$work/dovrix-next.msi")" /qn || fail "msiexec /x failed"
"$wineserver" -w
if [ -d "$installed" ] && [ -n "$(ls -A "$installed")" ]; then
    fail "files left in Program Files\\Dovrix: $(ls -A "$installed")"
fi
[ -z "$(shortcuts)" ] || fail "shortcuts left: $(shortcuts)"
for name in ServerUrl ProgressShare CaFile DistrictDomain; do
    [ -z "$(setting "$name")" ] || fail "the setting $name is left in the registry"
done
"$wine" reg query 'HKLM\SOFTWARE\Dovrix\Installer' >/dev/null 2>&1 &&
    fail "the installer's record of its settings is left"
[ "$(setting HomeDrive)" = C: ] || fail "the uninstall took the home drive set by hand"
[ -f "$share/Dovrix/Pat Kim.txt" ] && [ -f "$share/Dovrix/Someone Else.txt" ] ||
    fail "the players' files on the share did not stay"
echo "installed over TLS, played at home, refused untrusted servers, upgraded, played at" \
    "school, uninstalled"
