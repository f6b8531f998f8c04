#pragma once
// dovrix-account-server backup: a consistent copy of the accounts database, made while the
// server keeps answering and writing.

#include "expected.h"

#include <string>

namespace dovrix::server {

// Copies the database at `databasePath` to `outputPath` with SQLite's online backup: one read
// transaction sees the database as of one commit, WAL contents included, and the server's
// writes go on meanwhile. The copy is a single self-contained file that replaces `outputPath`
// only once it is complete. The number of database pages copied, or what went wrong.
Expected<int> backupDatabase(const std::string& databasePath, const std::string& outputPath);

} // namespace dovrix::server
