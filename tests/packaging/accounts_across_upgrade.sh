# Sourced by check_under_systemd.sh: what a school's database holds before an upgrade, and
# that the upgraded service still has all of it. fill_old_release runs while the old
# release's service answers behind nginx, check_upgraded once the new one does; whatever the
# first puts in (through the games' requests or the old program's own commands), the second
# reads back through the new service. Both use the test's account, expect and in_machine.

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
}
