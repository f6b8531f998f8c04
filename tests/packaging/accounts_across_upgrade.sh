# Sourced by check_under_systemd.sh: what a school's database holds before an upgrade, and
# that the upgraded service still has all of it. fill_old_release runs while the old
# release's service answers behind nginx, check_upgraded once the new one does; whatever the
# first puts in (through the games' requests or the old program's own commands), the second
# reads back through the new service. Both use the test's account, expect and in_machine.
# The new release's own parts must work on the database it migrated: teachers added by its
# commands, the console's sign-in and the school's CSV with the old student's history.

# The par list's entry for a level, without the blank that pads one digit.
par_of() {
    ask dovrix/pars | cut -d, -f"$1" | tr -d ' '
}

fill_old_release() {
    # Online accounts at their levels, a student list with a student who has played, and a
    # record below the catalogue's par.
    expect "$(account create Lena sea-Shell-5)" Success
    expect "$(account update Lena sea-Shell-5 12)" OK
    expect "$(account create Tomas tin-Drum-8)" Success
    expect "$(account update Tomas tin-Drum-8 3)" OK
    printf 'username,password\nRhea,rhea-Pass-1\n' >"$root/root/students-old.csv"
    in_machine dovrix-account-server import-students /root/students-old.csv \
        --db /var/lib/dovrix/accounts.sqlite >>"$log" 2>&1 ||
        fail "the old release's import: $(tail -3 "$log")"
    expect "$(account vorna Rhea rhea-Pass-1)" Success
    expect "$(account update Rhea rhea-Pass-1 6)" OK
    expect "dovrix/pars?Level=87&Moves=17&Par=19" OK
    [ "$(par_of 87)" = 17 ] || fail "the old release's par list has $(par_of 87) for level 87"
}

check_upgraded() {
    expect "$(account login Lena sea-Shell-5)" 12
    expect "$(account login Tomas tin-Drum-8)" 3
    expect "$(account login Tomas sea-Shell-5)" "Invalid Username and/or Password"
    expect "$(account halvern Rhea rhea-Pass-1)" 6
    # The list still holds the name: no online account can take it.
    expect "$(account create Rhea any-Thing-2)" "Username Already Exists"
    [ "$(par_of 87)" = 17 ] || fail "after the upgrade level 87's par is '$(par_of 87)', not 17"
    expect "$(account update Lena sea-Shell-5 13)" OK
    expect "$(account login Lena sea-Shell-5)" 13

    # Teachers in the migrated database: none yet, then one added beside the running service.
    local config=/etc/dovrix/account-server.conf teachers csv
    teachers="$(in_machine dovrix-account-server list-teachers --config "$config" 2>&1)" ||
        fail "list-teachers after the upgrade: $teachers"
    [ -z "$teachers" ] || fail "the upgraded database has teachers: $teachers"
    in_machine dovrix-account-server add-teacher it.office --admin --config "$config" \
        <<<"the office's password" >>"$log" 2>&1 || fail "add-teacher after the upgrade: $(tail -3 "$log")"
    teachers="$(in_machine dovrix-account-server list-teachers --config "$config" 2>&1)"
    [ "$teachers" = "$(printf 'it.office\tadministrator')" ] ||
        fail "list-teachers after add-teacher: $teachers"
    owned_by_service "add-teacher"
    # Rhea's update after the upgrade is remembered as a level reached; the administrator
    # signs in through nginx and finds her in the school's CSV with it.
    expect "$(account update Rhea rhea-Pass-1 7)" OK
    csv="$(in_machine bash -c 'cd /tmp && jar=$(mktemp) &&
        curl -sS --max-time 60 --cacert /etc/dovrix/tls/fullchain.pem \
            --resolve games.school.example:443:127.0.0.1 -c "$jar" -o /dev/null \
            -H "Origin: https://games.school.example" \
            --data-urlencode name=it.office --data-urlencode "password=the office'"'"'s password" \
            https://games.school.example/dovrix/console/sign-in &&
        curl -sS --max-time 60 --cacert /etc/dovrix/tls/fullchain.pem \
            --resolve games.school.example:443:127.0.0.1 -b "$jar" \
            https://games.school.example/dovrix/console/school.csv; rm -f "$jar"' 2>&1)" || true
    grep -q $'^,Rhea,[^,]*,7,no,1,[^,]\+\r$' <<<"$csv" ||
        fail "the school's CSV after the upgrade: ${csv:0:300}"
}
