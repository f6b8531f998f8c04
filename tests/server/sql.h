#pragma once
// SQL run on a database file beside the program: how a test makes time pass for the records
// it ages, and how it reads what no command or page shows.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace dovrix::testing {

// The rows the statements give, each a line of its columns joined by '|' (NULL for none).
inline std::string sql(const std::string& database, const std::string& statement) {
    sqlite3* db = nullptr;
    sqlite3_open(database.c_str(), &db);
    std::string result;
    char* error = nullptr;
    sqlite3_exec(
        db, statement.c_str(),
        [](void* out, int columns, char** values, char**) {
            auto& text = *static_cast<std::string*>(out);
            for (int c = 0; c < columns; ++c) {
                text += (c ? "|" : "") + std::string(values[c] ? values[c] : "NULL");
            }
            text += '\n';
            return 0;
        },
        &result, &error);
    EXPECT_EQ(error, nullptr) << error;
    sqlite3_free(error);
    sqlite3_close(db);
    return result;
}

} // namespace dovrix::testing
