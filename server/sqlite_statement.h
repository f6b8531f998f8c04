#pragma once
// What the server's stores share over SQLite: opening the database with its journal settings
// and schema, a prepared statement finalised at the end of its scope, and a transaction that
// rolls back unless committed.

#include <cstdint>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace dovrix::server {

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The database at `path`, opened or created and brought to this server's schema (one
// migration per version, each in its own transaction). Throws StoreError; the caller closes
// the connection with sqlite3_close.
sqlite3* openDatabase(const std::string& path);

// Runs SQL without results. Throws StoreError.
void executeSql(sqlite3* db, const char* sql);

// Seconds since 1970: what the stores keep as the time of an event.
std::int64_t secondsNow();

// A statement prepared per call: SQLite prepares these short ones in microseconds, and no
// cached statement can be left half-stepped by an error.
class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, const std::string& text);
    Statement& bind(int index, int value);
    Statement& bind(int index, std::int64_t value);
    Statement& bindNull(int index);

    // True while there is a row to read.
    bool step();
    void reset();

    int integer(int column) const;
    std::int64_t integer64(int column) const;
    bool isNull(int column) const;
    std::string text(int column) const;

private:
    void check(int result);

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

class Transaction {
public:
    explicit Transaction(sqlite3* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    sqlite3* db_;
    bool done_ = false;
};

} // namespace dovrix::server
