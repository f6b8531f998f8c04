#include "sqlite_statement.h"

#include "database_schema.h"

#include <sqlite3.h>

#include <ctime>

namespace dovrix::server {

sqlite3* openDatabase(const std::string& path) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw StoreError("cannot open " + path + ": " + message);
    }
    try {
        // Another process (an import while the server runs) may hold the write lock briefly.
        // Short enough that a request waiting for it still ends before a stopping server must.
        sqlite3_busy_timeout(db, 2000);
        // WAL with synchronous NORMAL: a commit is in the log before the reply goes out, so a
        // killed process loses nothing; only a power cut may lose the last commits.
        executeSql(db, "PRAGMA journal_mode = WAL");
        executeSql(db, "PRAGMA synchronous = NORMAL");
        migrateSchema(db, secondsNow());
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    return db;
}

void executeSql(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw StoreError("database error: " + text);
    }
}

std::int64_t secondsNow() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) {
        throw StoreError(std::string("cannot prepare statement: ") + sqlite3_errmsg(db));
    }
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

Statement& Statement::bind(int index, const std::string& text) {
    check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bind(int index, int value) {
    check(sqlite3_bind_int(statement_, index, value));
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    check(sqlite3_bind_int64(statement_, index, value));
    return *this;
}

Statement& Statement::bindNull(int index) {
    check(sqlite3_bind_null(statement_, index));
    return *this;
}

bool Statement::step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result == SQLITE_DONE) {
        return false;
    }
    throw StoreError(std::string("database error: ") + sqlite3_errmsg(db_));
}

void Statement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int Statement::integer(int column) const {
    return sqlite3_column_int(statement_, column);
}

std::int64_t Statement::integer64(int column) const {
    return sqlite3_column_int64(statement_, column);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::string Statement::text(int column) const {
    const auto* data = sqlite3_column_text(statement_, column);
    return data ? std::string(reinterpret_cast<const char*>(data),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string();
}

void Statement::check(int result) {
    if (result != SQLITE_OK) {
        throw StoreError(std::string("cannot bind value: ") + sqlite3_errmsg(db_));
    }
}

Transaction::Transaction(sqlite3* db) : db_(db) {
    executeSql(db_, "BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (!done_) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    executeSql(db_, "COMMIT");
    done_ = true;
}

} // namespace dovrix::server
