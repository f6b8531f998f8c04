// dovrix-account-server: the reference account server for Dovrix. See command_line.h.

#include "account_server.h"
#include "backup.h"
#include "command_line.h"
#include "config_file.h"
#include "dovrix_version.h"
#include "passwords.h"
#include "school_commands.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>

#include <pthread.h>
#include <sys/stat.h>

using namespace dovrix::server;

namespace {

int serve(ServerOptions options) {
    if (options.databasePath.empty()) {
        options.databasePath = defaultDatabasePath();
        std::error_code ignored;
        std::filesystem::create_directories(
            std::filesystem::path(options.databasePath).parent_path(), ignored);
    }

    // SIGINT and SIGTERM are taken by one thread with sigwait, so the request threads never
    // see them and stopping needs nothing that is unsafe inside a signal handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    AccountServer server(options);
    std::cout << "listening on " << server.url() << std::endl;

    std::atomic<bool> finished{false};
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        // Repeat until run() has returned: a stop before listening has begun is not lost.
        while (!finished) {
            server.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    server.run();
    finished = true;
    // Wake the stopper if run() ended for another reason.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    std::cerr << "dovrix-account-server: stopped\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    // The database, its journals, backups and their folders hold password hashes and the
    // student list: readable by this user only, whatever umask the caller left.
    umask(077);
    // One line per error: under systemd each line is a journal entry.
    const auto arguments = expandConfigFiles(std::vector<std::string>(argv + 1, argv + argc));
    const auto line = arguments ? parseCommandLine(*arguments)
                                : dovrix::Expected<CommandLine>(dovrix::Error{arguments.error()});
    if (!line) {
        std::cerr << "dovrix-account-server: " << line.error() << " (--help lists the options)\n";
        return 2;
    }
    if (line->command == CommandLine::Command::Help) {
        std::cout << kUsage;
        return 0;
    }
    if (line->command == CommandLine::Command::Version) {
        std::cout << "dovrix-account-server " << dovrix::kVersion << '\n';
        return 0;
    }
    if (line->command == CommandLine::Command::Backup) {
        const std::string database =
            line->options.databasePath.empty() ? defaultDatabasePath() : line->options.databasePath;
        const auto pages = backupDatabase(database, line->backupFile);
        if (!pages) {
            std::cerr << "dovrix-account-server: " << pages.error() << '\n';
            return 1;
        }
        std::cout << "backed up " << database << " to " << line->backupFile << " (" << *pages
                  << " pages)\n";
        return 0;
    }
    if (!initialisePasswordHashing()) {
        std::cerr << "dovrix-account-server: libsodium cannot be initialised\n";
        return 1;
    }
    try {
        if (line->command == CommandLine::Command::ImportStudents) {
            std::string database = line->options.databasePath;
            if (database.empty()) {
                database = defaultDatabasePath();
                std::error_code ignored;
                std::filesystem::create_directories(std::filesystem::path(database).parent_path(),
                                                    ignored);
            }
            const auto report = importStudentFile(line->studentFile, database, line->takeOver);
            if (!report) {
                std::istringstream faults(report.error());
                for (std::string fault; std::getline(faults, fault);) {
                    std::cerr << "dovrix-account-server: " << fault << '\n';
                }
                std::cerr << "dovrix-account-server: nothing imported\n";
                return 1;
            }
            std::cout << "imported " << report->students << " students into " << database << '\n';
            for (const std::string& taken : report->takenOver) {
                std::cout << "the online account of " << taken << " is now the student's\n";
            }
            return 0;
        }
        switch (line->command) {
        case CommandLine::Command::AddTeacher:
            return addTeacher(*line, std::cin, std::cout, std::cerr);
        case CommandLine::Command::RemoveTeacher:
            return removeTeacher(*line, std::cout, std::cerr);
        case CommandLine::Command::ListTeachers:
            return listTeachers(*line, std::cout);
        case CommandLine::Command::Purge:
            return purgeNow(*line, std::cout);
        default:
            break;
        }
        return serve(line->options);
    } catch (const std::exception& error) {
        std::cerr << "dovrix-account-server: " << error.what() << '\n';
        return 1;
    }
}
