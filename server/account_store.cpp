#include "account_store.h"

#include <sqlite3.h>

namespace dovrix::server {

// A prepared statement that is finalised when it goes out of scope. Statements are prepared
// per call: SQLite prepares these short ones in microseconds, and no cached statement can be
// left half-stepped by an error.
class AccountStore::Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) {
            throw StoreError(std::string("cannot prepare statement: ") + sqlite3_errmsg(db));
        }
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, const std::string& text) {
        check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bind(int index, int value) {
        check(sqlite3_bind_int(statement_, index, value));
        return *this;
    }
    Statement& bindNull(int index) {
        check(sqlite3_bind_null(statement_, index));
        return *this;
    }

    // True while there is a row to read.
    bool step() {
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW) {
            return true;
        }
        if (result == SQLITE_DONE) {
            return false;
        }
        throw StoreError(std::string("database error: ") + sqlite3_errmsg(db_));
    }
    void reset() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }

    int integer(int column) const { return sqlite3_column_int(statement_, column); }
    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    std::string text(int column) const {
        const auto* data = sqlite3_column_text(statement_, column);
        return data
                   ? std::string(reinterpret_cast<const char*>(data),
                                 static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                   : std::string();
    }

private:
    void check(int result) {
        if (result != SQLITE_OK) {
            throw StoreError(std::string("cannot bind value: ") + sqlite3_errmsg(db_));
        }
    }

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

namespace {

// A transaction that rolls back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) { run("BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!done_) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    void commit() {
        run("COMMIT");
        done_ = true;
    }

private:
    void run(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw StoreError(std::string("database error: ") + sqlite3_errmsg(db_));
        }
    }
    sqlite3* db_;
    bool done_ = false;
};

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS accounts (
    user_key      TEXT PRIMARY KEY,  -- the user name in lower case
    user_name     TEXT NOT NULL,     -- as first sent
    password_hash TEXT,              -- Argon2id; NULL for school accounts
    level         INTEGER NOT NULL DEFAULT 1 CHECK (level >= 1)
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS students (
    user_key      TEXT PRIMARY KEY,
    password_hash TEXT NOT NULL
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS pars (
    level INTEGER PRIMARY KEY,
    par   INTEGER NOT NULL
);
)sql";

} // namespace

AccountStore::AccountStore(const std::string& path) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw StoreError("cannot open " + path + ": " + message);
    }
    try {
        // Another process (an import while the server runs) may hold the write lock briefly.
        // Short enough that a request waiting for it still ends before a stopping server must.
        sqlite3_busy_timeout(db_, 2000);
        // WAL with synchronous NORMAL: a commit is in the log before the reply goes out, so a
        // killed process loses nothing; only a power cut may lose the last commits.
        execute("PRAGMA journal_mode = WAL");
        execute("PRAGMA synchronous = NORMAL");
        execute(kSchema);
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

AccountStore::~AccountStore() {
    if (db_) {
        sqlite3_close(db_);
    }
}

void AccountStore::execute(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw StoreError("database error: " + text);
    }
}

AccountStore::Statement AccountStore::prepare(const char* sql) {
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
        "INSERT INTO accounts (user_key, user_name, password_hash, level) "
        "SELECT ?1, ?2, ?3, 1 WHERE NOT EXISTS (SELECT 1 FROM students WHERE user_key = ?1) "
        "ON CONFLICT (user_key) DO NOTHING");
    insert.bind(1, userKey).bind(2, userName).bind(3, passwordHash);
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

bool AccountStore::raiseLevel(const std::string& userKey, int level) {
    const std::lock_guard lock(mutex_);
    Statement update = prepare("UPDATE accounts SET level = max(level, ?2) WHERE user_key = ?1");
    update.bind(1, userKey).bind(2, level);
    update.step();
    return sqlite3_changes(db_) == 1;
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
    Statement upsert =
        prepare("INSERT INTO students (user_key, password_hash) VALUES (?1, ?2) "
                "ON CONFLICT (user_key) DO UPDATE SET password_hash = excluded.password_hash");
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
        upsert.bind(1, students[i].userKey).bind(2, students[i].passwordHash);
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

bool AccountStore::lowerPar(int level, int moves) {
    const std::lock_guard lock(mutex_);
    Statement update = prepare("UPDATE pars SET par = ?2 WHERE level = ?1 AND par > ?2");
    update.bind(1, level).bind(2, moves);
    update.step();
    return sqlite3_changes(db_) == 1;
}

void AccountStore::reconcilePars(const std::vector<int>& cataloguePars,
                                 const std::function<std::optional<int>(int)>& floor) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    Statement insert =
        prepare("INSERT INTO pars (level, par) VALUES (?1, ?2) ON CONFLICT (level) DO NOTHING");
    Statement lower = prepare("UPDATE pars SET par = ?2 WHERE level = ?1 AND par > ?2");
    Statement raise = prepare("UPDATE pars SET par = ?2 WHERE level = ?1 AND par < ?2");
    for (std::size_t index = 0; index < cataloguePars.size(); ++index) {
        const int level = static_cast<int>(index) + 1;
        const int cataloguePar = cataloguePars[index];
        insert.bind(1, level).bind(2, cataloguePar);
        insert.step();
        insert.reset();
        if (cataloguePar >= 1) {
            lower.bind(1, level).bind(2, cataloguePar);
            lower.step();
            lower.reset();
        }
        if (const auto least = floor(level)) {
            raise.bind(1, level).bind(2, *least);
            raise.step();
            raise.reset();
        }
    }
    Statement trim = prepare("DELETE FROM pars WHERE level > ?1");
    trim.bind(1, static_cast<int>(cataloguePars.size()));
    trim.step();
    transaction.commit();
}

} // namespace dovrix::server
