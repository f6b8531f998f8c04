#include "account_store.h"

#include "school_names.h"

#include <sqlite3.h>

#include <map>

namespace dovrix::server {

AccountStore::AccountStore(const std::string& path) : db_(openDatabase(path)) {}

AccountStore::~AccountStore() {
    if (db_) {
        sqlite3_close(db_);
    }
}

Statement AccountStore::prepare(const char* sql) {
    return Statement(db_, sql);
}

std::optional<AccountRecord> AccountStore::findAccount(const std::string& userKey) {
    const std::lock_guard lock(mutex_);
    Statement select =
        prepare("SELECT user_name, password_hash, level FROM accounts WHERE user_key = ?1");
    select.bind(1, userKey);
    if (!select.step()) {
        return std::nullopt;
    }
    AccountRecord record;
    record.userName = select.text(0);
    if (!select.isNull(1)) {
        record.passwordHash = select.text(1);
    }
    record.level = select.integer(2);
    return record;
}

std::optional<std::string> AccountStore::studentPasswordHash(const std::string& userKey) {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT password_hash FROM students WHERE user_key = ?1");
    select.bind(1, userKey);
    if (!select.step()) {
        return std::nullopt;
    }
    return select.text(0);
}

bool AccountStore::hasStudents() {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT EXISTS (SELECT 1 FROM students)");
    return select.step() && select.integer(0) != 0;
}

CreateResult AccountStore::createOnlineAccount(const std::string& userKey,
                                               const std::string& userName,
                                               const std::string& passwordHash) {
    const std::lock_guard lock(mutex_);
    Statement insert = prepare(
        "INSERT INTO accounts (user_key, user_name, password_hash, level, last_seen) "
        "SELECT ?1, ?2, ?3, 1, ?4 WHERE NOT EXISTS (SELECT 1 FROM students WHERE user_key = ?1) "
        "ON CONFLICT (user_key) DO NOTHING");
    insert.bind(1, userKey).bind(2, userName).bind(3, passwordHash).bind(4, secondsNow());
    insert.step();
    return sqlite3_changes(db_) == 1 ? CreateResult::Created : CreateResult::NameTaken;
}

std::optional<int> AccountStore::openSchoolAccount(const std::string& userKey,
                                                   const std::string& userName) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    Statement insert = prepare("INSERT INTO accounts (user_key, user_name, password_hash, level) "
                               "VALUES (?1, ?2, NULL, 1) ON CONFLICT (user_key) DO NOTHING");
    insert.bind(1, userKey).bind(2, userName);
    insert.step();
    // Seen, whether the school login opens it or (at a name an online account holds) not.
    writeSight(userKey, secondsNow());
    Statement select =
        prepare("SELECT password_hash IS NULL, level FROM accounts WHERE user_key = ?1");
    select.bind(1, userKey);
    if (!select.step()) {
        throw StoreError("school account vanished");
    }
    const bool school = select.integer(0) != 0;
    const int level = select.integer(1);
    transaction.commit();
    if (!school) {
        return std::nullopt;
    }
    return level;
}

void AccountStore::noteSeen(const std::string& userKey) {
    const std::lock_guard lock(mutex_);
    writeSight(userKey, secondsNow());
}

// A sight is written when the one stored is a minute old or more: the console shows it to the
// minute and retention counts days, while a player's requests come seconds apart, and most
// would otherwise each write the database only for this.
void AccountStore::writeSight(const std::string& userKey, std::int64_t now) {
    Statement update = prepare("UPDATE accounts SET last_seen = ?2 WHERE user_key = ?1 "
                               "AND (last_seen IS NULL OR last_seen NOT BETWEEN ?2 - 59 AND ?2)");
    update.bind(1, userKey).bind(2, now);
    update.step();
}

bool AccountStore::raiseLevel(const std::string& userKey, int level) {
    const std::lock_guard lock(mutex_);
    const std::int64_t now = secondsNow();
    Statement select = prepare("SELECT level FROM accounts WHERE user_key = ?1");
    select.bind(1, userKey);
    if (!select.step()) {
        return false;
    }
    const int old = select.integer(0);
    if (level <= old) {
        // Most updates repeat the level already stored: only the sight may be new.
        writeSight(userKey, now);
        return true;
    }
    Transaction transaction(db_);
    Statement update =
        prepare("UPDATE accounts SET level = max(level, ?2), last_seen = ?3 WHERE user_key = ?1");
    update.bind(1, userKey).bind(2, level).bind(3, now);
    update.step();
    const bool found = sqlite3_changes(db_) == 1;
    // A game that played offline, or a first update after the school login, may skip levels:
    // each one passed is reached now.
    Statement reached = prepare("INSERT INTO levels_reached (user_key, level, reached_at) "
                                "VALUES (?1, ?2, ?3) ON CONFLICT DO NOTHING");
    for (int passed = old + 1; found && passed <= level; ++passed) {
        reached.bind(1, userKey).bind(2, passed).bind(3, now);
        reached.step();
        reached.reset();
    }
    transaction.commit();
    return found;
}

std::vector<std::size_t>
AccountStore::onlineAccountsAmong(const std::vector<std::string>& userKeys) {
    const std::lock_guard lock(mutex_);
    Statement select =
        prepare("SELECT 1 FROM accounts WHERE user_key = ?1 AND password_hash IS NOT NULL");
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < userKeys.size(); ++i) {
        select.bind(1, userKeys[i]);
        if (select.step()) {
            found.push_back(i);
        }
        select.reset();
    }
    return found;
}

std::vector<std::size_t> AccountStore::importStudents(const std::vector<StudentRecord>& students,
                                                      bool takeOver) {
    // Checked again inside the transaction: an account may have been created meanwhile.
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    Statement select =
        prepare("SELECT 1 FROM accounts WHERE user_key = ?1 AND password_hash IS NOT NULL");
    Statement takeAccount = prepare("UPDATE accounts SET password_hash = NULL WHERE user_key = ?1");
    Statement upsert = prepare(
        "INSERT INTO students (user_key, password_hash, class_key, listed_at, user_name) "
        "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT (user_key) DO UPDATE SET "
        "password_hash = excluded.password_hash, class_key = excluded.class_key, "
        "listed_at = excluded.listed_at, user_name = excluded.user_name");
    // A class keeps the spelling it was last imported with.
    Statement addClass = prepare("INSERT INTO classes (class_key, name) VALUES (?1, ?2) "
                                 "ON CONFLICT (class_key) DO UPDATE SET name = excluded.name");
    const std::int64_t now = secondsNow();
    std::vector<std::size_t> taken;
    for (std::size_t i = 0; i < students.size(); ++i) {
        select.bind(1, students[i].userKey);
        if (select.step()) {
            taken.push_back(i);
            takeAccount.bind(1, students[i].userKey);
            takeAccount.step();
            takeAccount.reset();
        }
        select.reset();
        upsert.bind(1, students[i].userKey).bind(2, students[i].passwordHash).bind(4, now);
        upsert.bind(5, students[i].userName.empty() ? students[i].userKey : students[i].userName);
        if (students[i].className.empty()) {
            upsert.bindNull(3);
        } else {
            const std::string classKey = classKeyOf(students[i].className);
            upsert.bind(3, classKey);
            addClass.bind(1, classKey).bind(2, students[i].className);
            addClass.step();
            addClass.reset();
        }
        upsert.step();
        upsert.reset();
    }
    if (taken.empty() || takeOver) {
        transaction.commit();
    }
    return taken;
}

std::vector<int> AccountStore::pars() {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT level, par FROM pars ORDER BY level");
    std::vector<int> result;
    while (select.step()) {
        if (select.integer(0) != static_cast<int>(result.size()) + 1) {
            throw StoreError("the par list has a gap");
        }
        result.push_back(select.integer(1));
    }
    return result;
}

void AccountStore::notePar(int level, int oldPar, int newPar) {
    Statement note = prepare(
        "INSERT INTO par_changes (level, old_par, new_par, changed_at) VALUES (?1, ?2, ?3, ?4)");
    note.bind(1, level).bind(2, oldPar).bind(3, newPar).bind(4, secondsNow());
    note.step();
}

bool AccountStore::lowerPar(int level, int moves) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    Statement select = prepare("SELECT par FROM pars WHERE level = ?1 AND par > ?2");
    select.bind(1, level).bind(2, moves);
    if (!select.step()) {
        return false;
    }
    const int old = select.integer(0);
    Statement update = prepare("UPDATE pars SET par = ?2 WHERE level = ?1");
    update.bind(1, level).bind(2, moves);
    update.step();
    notePar(level, old, moves);
    transaction.commit();
    return true;
}

void AccountStore::reconcilePars(const std::vector<int>& cataloguePars,
                                 const std::function<std::optional<int>(int)>& floor) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    std::map<int, int> stored;
    for (Statement select = prepare("SELECT level, par FROM pars"); select.step();) {
        stored[select.integer(0)] = select.integer(1);
    }
    Statement insert = prepare("INSERT INTO pars (level, par) VALUES (?1, ?2)");
    Statement update = prepare("UPDATE pars SET par = ?2 WHERE level = ?1");
    for (std::size_t index = 0; index < cataloguePars.size(); ++index) {
        const int level = static_cast<int>(index) + 1;
        const int cataloguePar = cataloguePars[index];
        const auto found = stored.find(level);
        if (found == stored.end()) {
            insert.bind(1, level).bind(2, cataloguePar);
            insert.step();
            insert.reset();
        }
        const int old = found == stored.end() ? cataloguePar : found->second;
        int par = old;
        if (cataloguePar >= 1 && par > cataloguePar) {
            par = cataloguePar;
        }
        if (const auto least = floor(level); least && par < *least) {
            par = *least;
        }
        if (par != old) {
            update.bind(1, level).bind(2, par);
            update.step();
            update.reset();
            if (found != stored.end()) {
                notePar(level, old, par);
            }
        }
    }
    Statement trim = prepare("DELETE FROM pars WHERE level > ?1");
    trim.bind(1, static_cast<int>(cataloguePars.size()));
    trim.step();
    transaction.commit();
}

} // namespace dovrix::server
