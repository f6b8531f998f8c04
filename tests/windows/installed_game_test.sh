#!/usr/bin/env bash
# The MSI as a school deploys it, in a fresh Wine prefix on an X server of its own:
#   installed_game_test.sh DOVRIX.msi DEBIAN-ACCOUNT-SERVER
# At home: a silent install with SERVERURL naming a real account server on loopback; the
# installed dovrix.exe (Qt's Windows platform) gets a new account typed into its login window
# and level 1 played with mouse drags, and the server then holds level 2.
# At school: installed again with the district domain and home drive Wine sets and the
# progress share \\fs1\dovrix$ (a folder the prefix maps), level 1 played by the student
# NWUSERNAME=pat.kim leaves level 2 in "Dovrix\Pat Kim.txt" on the share.
# Each silent uninstall leaves no file in Program Files\Dovrix, no shortcut and no setting,
# and the players' files on the share as they were.
set -euo pipefail

if [ -z "${DOVRIX_TEST_ON_DISPLAY:-}" ]; then
    # Wine wants a display even for a silent install.
    DOVRIX_TEST_ON_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

msi=$(realpath "$1")
server_program=$2
here=$(cd "$(dirname "$0")" && pwd)
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(dirname "$wine")/wineserver
python=/usr/bin/python3 # Debian's, with python3-pil

work=$(mktemp -d)
server_pid=""
cleanup() {
    "$wineserver" -k 2>/dev/null || true
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    import -window root "$work/screen.png" 2>/dev/null &&
        cp "$work/screen.png" "${TMPDIR:-/tmp}/dovrix-installed-game-failure.png" &&
        echo "the screen: ${TMPDIR:-/tmp}/dovrix-installed-game-failure.png" >&2
    exit 1
}

# Nothing of the test's own environment may steer the game: only the installed settings do.
unset DOVRIX_SERVER_URL DOVRIX_PROGRESS_SHARE DOVRIX_CA_FILE NWUSERNAME LOGIN
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$wine" wineboot --init >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ \
    /d 'Liberation Sans' /f >/dev/null 2>&1
installed="$WINEPREFIX/drive_c/Program Files/Dovrix"

# The account server, with the student pat.kim on its list.
printf 'pat.kim,kim-password\n' >"$work/students.csv"
"$server_program" import-students "$work/students.csv" --db "$work/accounts.sqlite" >/dev/null
coproc SERVER {
    exec "$server_program" --bind 127.0.0.1 --port 0 --db "$work/accounts.sqlite" \
        2>"$work/server.log"
}
server_pid=$SERVER_PID
read -r -t 30 line <&"${SERVER[0]}" || fail "the account server did not start"
server_url=${line#listening on }

# The level the server holds for an account, as its login request answers.
account_level() {
    "$python" -c 'import sys, urllib.parse, urllib.request
query = urllib.parse.urlencode({"o": "login", "u": sys.argv[2], "p": sys.argv[3]})
print(urllib.request.urlopen(sys.argv[1] + "dovrix/account?" + query).read().decode())' \
        "$server_url" "$1" "$2"
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

install() {
    "$wine" msiexec /i "$(winepath_of "$msi")" "$@" /qn || fail "msiexec /i $* failed"
    [ -f "$installed/dovrix.exe" ] || fail "no dovrix.exe in Program Files\\Dovrix"
}

winepath_of() {
    echo "Z:${1//\//\\}"
}

# The setting's value in the registry, or nothing.
setting() {
    "$wine" reg query 'HKLM\SOFTWARE\Dovrix\Dovrix' /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_SZ *//p"
}

uninstall_leaves_nothing() {
    "$wine" msiexec /x "$(winepath_of "$msi")" /qn || fail "msiexec /x failed"
    "$wineserver" -w
    if [ -d "$installed" ] && [ -n "$(ls -A "$installed")" ]; then
        fail "files left in Program Files\\Dovrix: $(ls -A "$installed")"
    fi
    local shortcuts
    shortcuts=$(find "$WINEPREFIX/drive_c" -iname 'dovrix*.lnk')
    [ -z "$shortcuts" ] || fail "shortcuts left: $shortcuts"
    for name in ServerUrl ProgressShare CaFile DistrictDomain HomeDrive; do
        [ -z "$(setting "$name")" ] || fail "the setting $name is left in the registry"
    done
}

# Starts the installed game as the Start-menu shortcut does and waits for its first window.
start_game() {
    (cd "$installed" && "$wine" "C:\\Program Files\\Dovrix\\dovrix.exe" >"$work/game.log" 2>&1 &)
    wait_for 60 xdotool search --name '^Dovrix$' >/dev/null || fail "no Dovrix window"
    xdotool windowfocus --sync "$(xdotool search --name '^Dovrix$' | head -n 1)"
}

# The start window's button takes the focus once the game has loaded; level 1 follows.
press_start() {
    xdotool key space
    blue_blocks 5
}

# Level 1: five blue blocks below five dots, each flicked up with the mouse.
start_level_one() {
    wait_for 60 press_start || fail "the play window with level 1 did not appear"
    while read -r left top width height; do
        local x=$((left + width / 2)) y=$((top + height / 2))
        xdotool mousemove "$x" "$y" mousedown 1
        for step in 8 16 24 32 40; do
            xdotool mousemove "$x" $((y - step))
        done
        xdotool mouseup 1
        sleep 0.5
    done <"$work/blocks"
    wait_for 30 xdotool search --name '^Level Beaten$' >/dev/null || fail "level 1 not beaten"
    xdotool windowfocus --sync "$(xdotool search --name '^Level Beaten$' | head -n 1)"
    xdotool key Return
}

# --- at home
install SERVERURL="$server_url"
[ "$(setting ServerUrl)" = "$server_url" ] || fail "SERVERURL did not become the setting"
[ -z "$(setting ProgressShare)" ] || fail "a setting not given was written"
start_game
# The login window: a new account, then Continue; the start window's button has the focus.
xdotool type --delay 20 'maryhome'
xdotool key Tab
xdotool type --delay 20 'secret-1'
xdotool key Tab space Tab Tab space
start_level_one
wait_for 30 server_holds maryhome secret-1 2 ||
    fail "the server holds $(account_level maryhome secret-1) for the new account"
"$wineserver" -k
uninstall_leaves_nothing

# --- at school
share=$work/share
mkdir -p "$share/Dovrix" "$WINEPREFIX/dosdevices/unc/fs1"
ln -s "$share" "$WINEPREFIX/dosdevices/unc/fs1/dovrix\$"
printf ' 7 \r\n' >"$share/Dovrix/Someone Else.txt"
domain=$("$wine" cmd /c 'echo %USERDOMAIN%' | tr -d '\r')
install SERVERURL="$server_url" 'PROGRESSSHARE=\\fs1\dovrix$' DISTRICTDOMAIN="$domain" \
    HOMEDRIVE=C:
export NWUSERNAME=pat.kim
start_game
# No login window at school: the start window, then level 1.
start_level_one
wait_for 30 file_holds "$share/Dovrix/Pat Kim.txt" $' 2 \r\n' ||
    fail "the progress file holds '$(cat "$share/Dovrix/Pat Kim.txt" 2>/dev/null)'"
"$wineserver" -k
uninstall_leaves_nothing
[ -f "$share/Dovrix/Pat Kim.txt" ] && [ -f "$share/Dovrix/Someone Else.txt" ] ||
    fail "the players' files on the share did not stay"
echo "installed, played at home and at school, uninstalled"
