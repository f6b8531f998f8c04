#pragma once
// The server's command line:
//   dovrix-account-server [--bind ADDR] [--port N | --socket PATH] [--db FILE]
//                         [--trust RANGES] [--threads N]
//                         [--credential-lifetime SECONDS] [--log-requests]
//                         [--retain-days N] [--console on|off] [--console-from RANGES]
//   dovrix-account-server import-students FILE.csv [--db FILE] [--take-over]
//   dovrix-account-server backup [--db FILE] OUT
//   dovrix-account-server add-teacher NAME (--classes LIST | --admin) [OPTION]...
//   dovrix-account-server remove-teacher NAME [OPTION]...
//   dovrix-account-server list-teachers [OPTION]...
//   dovrix-account-server purge [--dry-run] [OPTION]...
// --config FILE is expanded before parsing (config_file.h).

#include "account_server.h"
#include "expected.h"

#include <string>
#include <vector>

namespace dovrix::server {

struct CommandLine {
    enum class Command {
        Serve,
        ImportStudents,
        Backup,
        AddTeacher,
        RemoveTeacher,
        ListTeachers,
        Purge,
        Help,
        Version
    };
    Command command = Command::Serve;
    ServerOptions options;
    std::string studentFile;
    bool takeOver = false;
    std::string backupFile;
    // add-teacher and remove-teacher
    std::string teacherName;
    std::vector<std::string> classes;
    bool administrator = false;
    // purge
    bool dryRun = false;
};

extern const char* const kUsage;

// The database's default place: $XDG_DATA_HOME/dovrix/accounts.sqlite, or
// ~/.local/share/dovrix/accounts.sqlite.
std::string defaultDatabasePath();

Expected<CommandLine> parseCommandLine(const std::vector<std::string>& arguments);

struct ImportReport {
    std::size_t students = 0;
    // "line N: NAME" for each online account given to its student.
    std::vector<std::string> takenOver;
};
// Reads the CSV file and adds its students to the database (or replaces their passwords),
// all or none. A student whose name an online account holds stops the import unless
// `takeOver` is given. What went wrong is one line per fault.
Expected<ImportReport> importStudentFile(const std::string& csvPath,
                                         const std::string& databasePath, bool takeOver = false);

} // namespace dovrix::server
