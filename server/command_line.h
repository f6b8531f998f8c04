#pragma once
// The server's command line:
//   dovrix-account-server [--bind ADDR] [--port N] [--db FILE] [--trust RANGES]
//                         [--trusted-proxy ADDR]... [--threads N]
//                         [--credential-lifetime SECONDS] [--log-requests]
//   dovrix-account-server import-students FILE.csv [--db FILE]

#include "account_server.h"
#include "expected.h"

#include <string>
#include <vector>

namespace dovrix::server {

struct CommandLine {
    enum class Command { Serve, ImportStudents, Help };
    Command command = Command::Serve;
    ServerOptions options;
    std::string studentFile;
};

extern const char* const kUsage;

// The database's default place: $XDG_DATA_HOME/dovrix/accounts.sqlite, or
// ~/.local/share/dovrix/accounts.sqlite.
std::string defaultDatabasePath();

Expected<CommandLine> parseCommandLine(const std::vector<std::string>& arguments);

// Reads the CSV file and adds its students to the database (or replaces their passwords).
// The number of students, or what went wrong.
Expected<std::size_t> importStudentFile(const std::string& csvPath,
                                        const std::string& databasePath);

} // namespace dovrix::server
