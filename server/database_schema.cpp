#include "database_schema.h"

#include "sqlite_statement.h"

#include <array>
#include <string>

namespace dovrix::server {

namespace {

// Version 1: the accounts, the student list and the par list, as the first release made them
// (with IF NOT EXISTS, since that release's files already hold them at version 0).
void createFirstTables(sqlite3* db, std::int64_t) {
    executeSql(db, R"sql(
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
)sql");
}

// Version 2: the school's console. Classes and teachers; what the server remembers of each
// account (when it was last seen, when each level was first reached) and of each par change;
// the console's sessions.
void addSchoolRecords(sqlite3* db, std::int64_t now) {
    executeSql(db, R"sql(
ALTER TABLE accounts ADD COLUMN last_seen INTEGER;  -- the last login or update, seconds since 1970
CREATE TABLE classes (
    class_key TEXT PRIMARY KEY,  -- the class name in lower case
    name      TEXT NOT NULL      -- as the student list or the administrator wrote it
) WITHOUT ROWID;
ALTER TABLE students ADD COLUMN user_name TEXT;     -- as the list writes it (NULL before)
ALTER TABLE students ADD COLUMN class_key TEXT;     -- NULL: in no class
ALTER TABLE students ADD COLUMN listed_at INTEGER;  -- the last import that named the student
CREATE INDEX students_by_class ON students (class_key, user_key);
CREATE TABLE levels_reached (
    user_key   TEXT NOT NULL,
    level      INTEGER NOT NULL,  -- 101: every level beaten
    reached_at INTEGER NOT NULL,
    PRIMARY KEY (user_key, level)
) WITHOUT ROWID;
CREATE TABLE par_changes (
    level      INTEGER NOT NULL,
    old_par    INTEGER NOT NULL,
    new_par    INTEGER NOT NULL,
    changed_at INTEGER NOT NULL
);
CREATE INDEX par_changes_by_level ON par_changes (level, changed_at);
CREATE TABLE teachers (
    teacher_id    INTEGER PRIMARY KEY,
    name_key      TEXT NOT NULL UNIQUE,
    name          TEXT NOT NULL,
    password_hash TEXT NOT NULL,          -- Argon2id
    administrator INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE teacher_classes (
    teacher_id INTEGER NOT NULL,
    class_key  TEXT NOT NULL,
    PRIMARY KEY (teacher_id, class_key)
) WITHOUT ROWID;
CREATE TABLE console_sessions (
    token_hash BLOB PRIMARY KEY,  -- BLAKE2b of the cookie's token; the token itself is not kept
    teacher_id INTEGER NOT NULL,
    form_token TEXT NOT NULL,     -- the token every form of the session carries
    started_at INTEGER NOT NULL,
    used_at    INTEGER NOT NULL
) WITHOUT ROWID;
CREATE INDEX console_sessions_by_teacher ON console_sessions (teacher_id);
)sql");
    Statement seen(db, "UPDATE accounts SET last_seen = ?1");
    seen.bind(1, now).step();
    Statement listed(db, "UPDATE students SET listed_at = ?1");
    listed.bind(1, now).step();
}

using Migration = void (*)(sqlite3*, std::int64_t);
// Entry v brings a database from version v to v + 1.
constexpr std::array<Migration, kSchemaVersion> kMigrations = {createFirstTables,
                                                               addSchoolRecords};

} // namespace

int schemaVersion(sqlite3* db) {
    Statement version(db, "PRAGMA user_version");
    return version.step() ? version.integer(0) : 0;
}

void migrateSchema(sqlite3* db, std::int64_t now) {
    if (schemaVersion(db) > kSchemaVersion) {
        throw StoreError("the database was written by a newer dovrix-account-server (schema " +
                         std::to_string(schemaVersion(db)) + "; this one knows up to " +
                         std::to_string(kSchemaVersion) + ")");
    }
    while (schemaVersion(db) < kSchemaVersion) {
        // Read again inside the write lock: another process may have migrated meanwhile.
        Transaction transaction(db);
        const int version = schemaVersion(db);
        if (version >= kSchemaVersion) {
            break;
        }
        kMigrations[static_cast<std::size_t>(version)](db, now);
        executeSql(db, ("PRAGMA user_version = " + std::to_string(version + 1)).c_str());
        transaction.commit();
    }
}

} // namespace dovrix::server
