#include "backup.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace dovrix::server {

namespace {

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

Expected<Database> openDatabase(const std::string& path, int flags) {
    sqlite3* raw = nullptr;
    const int status = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Database db(raw);
    if (status != SQLITE_OK) {
        return Error{"cannot open " + path + ": " +
                     (db ? sqlite3_errmsg(db.get()) : "out of memory")};
    }
    // The server may hold the write lock for a moment; a backup waits for it.
    sqlite3_busy_timeout(db.get(), 5000);
    return db;
}

void removeCopy(const std::string& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        std::remove((path + suffix).c_str());
    }
}

// Copies every page of `source` into a new database at `path`; the number of pages.
Expected<int> copyInto(sqlite3* source, const std::string& path) {
    const auto copy = openDatabase(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!copy) {
        return Error{copy.error()};
    }
    sqlite3* db = copy->get();
    sqlite3_backup* backup = sqlite3_backup_init(db, "main", source, "main");
    if (!backup) {
        return Error{sqlite3_errmsg(db)};
    }
    // All pages in one step: one read transaction, so one consistent state of the database.
    const int status = sqlite3_backup_step(backup, -1);
    const int pages = sqlite3_backup_pagecount(backup);
    sqlite3_backup_finish(backup);
    if (status != SQLITE_DONE) {
        return Error{sqlite3_errstr(status)};
    }
    // The copy keeps no WAL beside it: one file that opens on its own.
    if (sqlite3_exec(db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        return Error{sqlite3_errmsg(db)};
    }
    return pages;
}

} // namespace

Expected<int> backupDatabase(const std::string& databasePath, const std::string& outputPath) {
    // Read-only, and never created: a mistyped path is an error, not an empty backup.
    const auto source = openDatabase(databasePath, SQLITE_OPEN_READONLY);
    if (!source) {
        return Error{source.error()};
    }
    const std::string partial = outputPath + ".partial";
    removeCopy(partial);
    const auto pages = copyInto(source->get(), partial);
    if (!pages) {
        removeCopy(partial);
        return Error{"cannot back up " + databasePath + ": " + pages.error()};
    }
    std::error_code error;
    std::filesystem::rename(partial, outputPath, error);
    if (error) {
        removeCopy(partial);
        return Error{"cannot write " + outputPath + ": " + error.message()};
    }
    return pages;
}

} // namespace dovrix::server
