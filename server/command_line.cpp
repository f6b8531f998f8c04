#include "command_line.h"

#include "passwords.h"
#include "school_names.h"
#include "student_import.h"
#include "number_text.h"
#include "user_names.h"

#include <cstdlib>
#include <fstream>
#include <ranges>
#include <sstream>
#include <thread>

namespace dovrix::server {

const char* const kUsage =
    "Usage:\n"
    "  dovrix-account-server [--bind ADDR] [--port N | --socket PATH] [--db FILE]\n"
    "                        [--trust RANGES] [--threads N]\n"
    "                        [--credential-lifetime SECONDS] [--log-requests]\n"
    "                        [--retain-days N] [--console on|off] [--console-from RANGES]\n"
    "  dovrix-account-server --config FILE [OPTION]...\n"
    "  dovrix-account-server import-students FILE.csv [--db FILE] [--take-over]\n"
    "  dovrix-account-server backup [--db FILE] OUT\n"
    "  dovrix-account-server add-teacher NAME (--classes LIST | --admin) [OPTION]...\n"
    "  dovrix-account-server remove-teacher NAME [OPTION]...\n"
    "  dovrix-account-server list-teachers [OPTION]...\n"
    "  dovrix-account-server purge [--dry-run] [OPTION]...\n"
    "  dovrix-account-server --help | --version\n"
    "The account server for the Dovrix game: progress, school logins and the par list.\n"
    "\n"
    "Options:\n"
    "  --config FILE    read options from FILE, one per line without its dashes:\n"
    "                   \"name = value\", or a switch's name alone; # starts a comment\n"
    "  --bind ADDR      address to listen on (default 127.0.0.1)\n"
    "  --port N         port to listen on (default 8080; 0 picks a free port)\n"
    "  --db FILE        SQLite database (default $XDG_DATA_HOME/dovrix/accounts.sqlite)\n"
    "  --trust RANGES   comma-separated address ranges of the school network, which may log\n"
    "                   in without a password (default 127.0.0.0/8,::1)\n"
    "  --socket PATH    listen on a Unix socket instead, for nginx in front: only there\n"
    "                   does the X-Real-IP header give the client's address, and a\n"
    "                   request without a valid one is refused. Anyone who can reach the\n"
    "                   folder may connect: keep it to this user and nginx's\n"
    "  --threads N      request threads (default 16)\n"
    "  --credential-lifetime SECONDS\n"
    "                   how long a verified password is remembered (default 900; 0: never)\n"
    "  --log-requests   one line per request on standard error (no query strings)\n"
    "  --retain-days N  delete an account unseen (no login, no update) for N days, with\n"
    "                   its history, once a day (default 400)\n"
    "  --console on|off the teachers' console under dovrix/console/ (default on; it\n"
    "                   answers only once a teacher exists)\n"
    "  --console-from RANGES\n"
    "                   the address ranges the console answers (default: the --trust\n"
    "                   ranges and loopback)\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Commands:\n"
    "  import-students  adds the students of a CSV file, one per line: user name,\n"
    "                   password (importing again replaces passwords). Imports nothing\n"
    "                   and names each line when a line cannot be used or names an\n"
    "                   online account; --take-over gives those accounts to the students\n"
    "  backup           copies the database to OUT, consistent even while a server\n"
    "                   writes to it\n"
    "  add-teacher      adds a teacher of the classes in LIST (comma-separated), or with\n"
    "                   --admin of every class and the teachers' page; the password (10\n"
    "                   to 128 characters) is read from standard input, never from the\n"
    "                   command line. For a teacher who exists: a new password, role and\n"
    "                   classes, and their sessions end\n"
    "  remove-teacher   removes a teacher and ends their sessions\n"
    "  list-teachers    lists the teachers and their classes\n"
    "  purge            deletes now what retention would (--dry-run: only lists it)\n"
    "  Each command takes --db FILE, or --config FILE for the service's settings.\n"
    "\n"
    "Output:\n"
    "  The first line on standard output is \"listening on http://ADDR:PORT/\" (or\n"
    "  \"listening on unix:PATH\"); standard\n"
    "  error gets one line when the server stops and one per error, and no request\n"
    "  lines unless --log-requests is given.\n"
    "\n"
    "Exit status:\n"
    "  0  stopped by SIGINT or SIGTERM, or the command done\n"
    "  1  the server or the command failed (port in use, unreadable file, database error)\n"
    "  2  bad arguments or configuration file\n";

std::string defaultDatabasePath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    // Built in one expression: GCC 12 warns falsely (-Wrestrict) about assigning at -O3.
    const std::string base = data && *data == '/' ? std::string(data)
                             : home && *home      ? std::string(home) + "/.local/share"
                                                  : std::string(".");
    return base + "/dovrix/accounts.sqlite";
}

namespace {

std::optional<int> integerArgument(const std::string& text, int least, int most) {
    const auto value = wholeNumber(text);
    if (!value || *value < least || *value > most) {
        return std::nullopt;
    }
    return *value;
}

} // namespace

namespace {

// The commands that name what they act on first, and whether that is required.
struct CommandName {
    const char* word;
    CommandLine::Command command;
    bool takesName;
};
constexpr CommandName kCommands[] = {
    {"import-students", CommandLine::Command::ImportStudents, true},
    {"backup", CommandLine::Command::Backup, false},
    {"add-teacher", CommandLine::Command::AddTeacher, true},
    {"remove-teacher", CommandLine::Command::RemoveTeacher, true},
    {"list-teachers", CommandLine::Command::ListTeachers, false},
    {"purge", CommandLine::Command::Purge, false},
};

// The commands of the school's records take the service's settings (its --config), of which
// they use the database and the retention time.
bool takesServiceSettings(CommandLine::Command command) {
    using enum CommandLine::Command;
    return command == Serve || command == AddTeacher || command == RemoveTeacher ||
           command == ListTeachers || command == Purge;
}

} // namespace

Expected<CommandLine> parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::size_t i = 0;
    for (const CommandName& name : kCommands) {
        if (arguments.empty() || arguments[0] != name.word) {
            continue;
        }
        line.command = name.command;
        i = 1;
        if (name.takesName) {
            if (arguments.size() < 2 || arguments[1].starts_with("--")) {
                return Error{std::string(name.word) +
                             (name.command == CommandLine::Command::ImportStudents
                                  ? " needs a CSV file"
                                  : " needs a teacher's name")};
            }
            (name.command == CommandLine::Command::ImportStudents ? line.studentFile
                                                                   : line.teacherName) =
                arguments[1];
            i = 2;
        }
    }
    bool consoleFromGiven = false;
    for (; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            line.command = CommandLine::Command::Help;
            return line;
        }
        if (option == "--version") {
            line.command = CommandLine::Command::Version;
            return line;
        }
        if (line.command == CommandLine::Command::Backup && !option.starts_with("-") &&
            line.backupFile.empty()) {
            line.backupFile = option;
            continue;
        }
        if (option == "--take-over" && line.command == CommandLine::Command::ImportStudents) {
            line.takeOver = true;
            continue;
        }
        if (option == "--admin" && line.command == CommandLine::Command::AddTeacher) {
            line.administrator = true;
            continue;
        }
        if (option == "--dry-run" && line.command == CommandLine::Command::Purge) {
            line.dryRun = true;
            continue;
        }
        const bool serving = takesServiceSettings(line.command);
        if (option == "--log-requests" && serving) {
            line.options.logRequests = true;
            continue;
        }
        const bool known =
            option == "--db" ||
            (option == "--classes" && line.command == CommandLine::Command::AddTeacher) ||
            (serving && (option == "--bind" || option == "--port" || option == "--trust" ||
                         option == "--socket" || option == "--threads" ||
                         option == "--credential-lifetime" || option == "--retain-days" ||
                         option == "--console" || option == "--console-from"));
        if (option == "--trusted-proxy") {
            // Any local user could connect from a trusted address and name any client.
            return Error{"--trusted-proxy is gone: nginx reaches the server through --socket"};
        }
        if (!known) {
            return Error{"unknown option " + option};
        }
        if (i + 1 >= arguments.size()) {
            return Error{option + " needs a value"};
        }
        const std::string& value = arguments[++i];
        if (option == "--db") {
            line.options.databasePath = value;
        } else if (option == "--bind") {
            line.options.bindAddress = value;
        } else if (option == "--port") {
            const auto port = integerArgument(value, 0, 65535);
            if (!port) {
                return Error{"--port needs a number from 0 to 65535"};
            }
            line.options.port = *port;
        } else if (option == "--trust") {
            auto ranges = AddressRanges::parse(value);
            if (!ranges) {
                return Error{"--trust: " + ranges.error()};
            }
            line.options.trusted = *ranges;
        } else if (option == "--socket") {
            line.options.socketPath = value;
        } else if (option == "--threads") {
            const auto threads = integerArgument(value, 1, 1024);
            if (!threads) {
                return Error{"--threads needs a number from 1 to 1024"};
            }
            line.options.threads = *threads;
        } else if (option == "--credential-lifetime") {
            const auto seconds = integerArgument(value, 0, 86400 * 7);
            if (!seconds) {
                return Error{"--credential-lifetime needs a number of seconds"};
            }
            line.options.service.credentialLifetime = std::chrono::seconds(*seconds);
        } else if (option == "--retain-days") {
            const auto days = integerArgument(value, 1, 100000);
            if (!days) {
                return Error{"--retain-days needs a number of days from 1 to 100000"};
            }
            line.options.retainDays = *days;
        } else if (option == "--console") {
            if (value != "on" && value != "off") {
                return Error{"--console is on or off"};
            }
            line.options.console = value == "on";
        } else if (option == "--console-from") {
            auto ranges = AddressRanges::parse(value);
            if (!ranges) {
                return Error{"--console-from: " + ranges.error()};
            }
            line.options.consoleFrom = *ranges;
            consoleFromGiven = true;
        } else if (option == "--classes") {
            line.classes.clear();
            for (const auto part : std::views::split(value, ',')) {
                std::string name(part.begin(), part.end());
                name.erase(0, name.find_first_not_of(' '));
                name.erase(name.find_last_not_of(' ') + 1);
                if (!isAcceptableClassName(name)) {
                    return Error{"--classes: \"" + name + "\" is no class name (1 to " +
                                 std::to_string(kLongestClassName) +
                                 " characters, comma-separated)"};
                }
                line.classes.push_back(name);
            }
        }
    }
    if (line.command == CommandLine::Command::Backup && line.backupFile.empty()) {
        return Error{"backup needs a file to write"};
    }
    if (line.command == CommandLine::Command::AddTeacher) {
        if (!isAcceptableTeacherName(line.teacherName)) {
            return Error{"a teacher's name is 1 to 64 characters without control characters"};
        }
        if (line.administrator == !line.classes.empty()) {
            return Error{"add-teacher needs --classes LIST or --admin, not both"};
        }
    }
    if (!consoleFromGiven) {
        // The school network and this machine, as the trusted ranges stand after every option.
        AddressRanges from = line.options.trusted;
        const AddressRanges loopback = AddressRanges::loopback();
        for (const AddressRange& range : loopback.ranges()) {
            from.add(range);
        }
        line.options.consoleFrom = from;
    }
    return line;
}

Expected<ImportReport> importStudentFile(const std::string& csvPath,
                                         const std::string& databasePath, bool takeOver) {
    std::ifstream file(csvPath, std::ios::binary);
    if (!file) {
        return Error{"cannot read " + csvPath};
    }
    std::ostringstream content;
    content << file.rdbuf();
    const auto lines = readStudentList(content.str());
    const auto faultsIn = [&csvPath](const std::string& faults) {
        std::string text;
        for (const auto fault : std::views::split(faults, '\n')) {
            text += (text.empty() ? "" : "\n") + csvPath + ": " +
                    std::string(fault.begin(), fault.end());
        }
        return Error{text};
    };
    if (!lines) {
        return faultsIn(lines.error());
    }
    std::vector<StudentRecord> students(lines->size());
    std::vector<std::string> keys;
    for (const StudentLine& student : *lines) {
        keys.push_back(userKey(student.userName));
    }
    // The names' owners, once before the slow hashing and once more as the import commits.
    const auto ownedNames = [&](const std::vector<std::size_t>& owned) {
        std::string text;
        for (const std::size_t k : owned) {
            text += (text.empty() ? "" : "\n") + ("line " + std::to_string((*lines)[k].line)) +
                    ": " + (*lines)[k].userName +
                    " is the name of an online account (--take-over gives it to the student)";
        }
        return faultsIn(text);
    };
    try {
        AccountStore store(databasePath);
        if (const auto owned = store.onlineAccountsAmong(keys); !owned.empty() && !takeOver) {
            return ownedNames(owned);
        }
        // Argon2id is slow by design; hash on every core.
        const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
        PasswordHasher hasher(static_cast<std::ptrdiff_t>(workers));
        std::atomic<std::size_t> next{0};
        std::atomic<bool> failed{false};
        std::vector<std::thread> threads;
        for (unsigned w = 0; w < workers; ++w) {
            threads.emplace_back([&, who = std::to_string(w)] {
                for (std::size_t k = next++; k < students.size(); k = next++) {
                    const auto hash = hasher.hash((*lines)[k].password, who);
                    if (!hash) {
                        failed = true;
                        return;
                    }
                    students[k] = {keys[k], *hash, (*lines)[k].userName, (*lines)[k].className};
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        if (failed) {
            return Error{"out of memory while hashing passwords"};
        }
        const auto owned = store.importStudents(students, takeOver);
        if (!owned.empty() && !takeOver) {
            return ownedNames(owned);
        }
        ImportReport report{students.size(), {}};
        for (const std::size_t k : owned) {
            report.takenOver.push_back("line " + std::to_string((*lines)[k].line) + ": " +
                                       (*lines)[k].userName);
        }
        return report;
    } catch (const StoreError& error) {
        return Error{error.what()};
    }
}

} // namespace dovrix::server
