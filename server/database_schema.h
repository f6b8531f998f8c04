#pragma once
// The database's layout and how an older one is brought up to it. The version is SQLite's
// user_version: 0 for a new file and for one written by the first release (whose tables
// were made without one), then one migration per version, each applied in place in a
// transaction of its own.

#include <cstdint>

struct sqlite3;

namespace dovrix::server {

// The version this server writes.
inline constexpr int kSchemaVersion = 2;

// Applies the migrations the database lacks; `now` (seconds since 1970) is when it happens,
// which counts as the last sight of the accounts and students an older server kept, so that
// retention starts from the upgrade rather than deleting them at once. Throws StoreError for a
// database of a newer version than this server knows.
void migrateSchema(sqlite3* db, std::int64_t now);

// The database's version.
int schemaVersion(sqlite3* db);

} // namespace dovrix::server
