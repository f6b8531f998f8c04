#include "school_commands.h"

#include "counted.h"
#include "passwords.h"
#include "school_names.h"
#include "school_store.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <string>

namespace dovrix::server {

namespace {

// The first line of standard input; on a terminal, asked for with the echo off.
std::string readPassword(std::istream& input, const std::string& teacher) {
    const bool terminal = &input == &std::cin && ::isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        std::cerr << "Password for " << teacher << ": " << std::flush;
    }
    std::string password;
    std::getline(input, password);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::cerr << '\n';
    }
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    return password;
}

std::string databaseOf(const CommandLine& line) {
    return line.options.databasePath.empty() ? defaultDatabasePath() : line.options.databasePath;
}

} // namespace

int addTeacher(const CommandLine& line, std::istream& passwordInput, std::ostream& out,
               std::ostream& errors) {
    const std::string password = readPassword(passwordInput, line.teacherName);
    if (!isAcceptableTeacherPassword(password)) {
        errors << "dovrix-account-server: a teacher's password is " << kShortestTeacherPassword
               << " to " << kLongestTeacherPassword
               << " characters without control characters, on standard input\n";
        return 1;
    }
    PasswordHasher hasher(1);
    const auto hash = hasher.hash(password);
    if (!hash) {
        errors << "dovrix-account-server: out of memory while hashing the password\n";
        return 1;
    }
    SchoolStore store(databaseOf(line));
    const bool added = store.saveTeacher(line.teacherName, *hash, line.administrator, line.classes);
    std::string classes;
    for (const std::string& name : line.classes) {
        classes += (classes.empty() ? "" : ",") + name;
    }
    out << (added ? "added teacher " : "updated teacher ") << line.teacherName
        << (line.administrator ? " (administrator: every class)" : " of " + classes) << '\n';
    return 0;
}

int removeTeacher(const CommandLine& line, std::ostream& out, std::ostream& errors) {
    SchoolStore store(databaseOf(line));
    if (!store.removeTeacher(nameKeyOf(line.teacherName))) {
        errors << "dovrix-account-server: no teacher " << line.teacherName << '\n';
        return 1;
    }
    out << "removed teacher " << line.teacherName << '\n';
    return 0;
}

int listTeachers(const CommandLine& line, std::ostream& out) {
    SchoolStore store(databaseOf(line));
    for (const TeacherRecord& teacher : store.teachers()) {
        out << teacher.name;
        if (teacher.administrator) {
            out << "\tadministrator";
        } else {
            std::string classes;
            for (const std::string& name : teacher.classes) {
                classes += (classes.empty() ? "" : ",") + name;
            }
            out << '\t' << classes;
        }
        out << '\n';
    }
    return 0;
}

int purgeNow(const CommandLine& line, std::ostream& out) {
    SchoolStore store(databaseOf(line));
    const std::int64_t cutoff =
        secondsNow() - static_cast<std::int64_t>(line.options.retainDays) * 86400;
    const PurgeReport report = store.purge(cutoff, line.dryRun);
    const char* verb = line.dryRun ? "would delete" : "deleted";
    for (const std::string& name : report.accounts) {
        out << verb << " account " << name << '\n';
    }
    for (const std::string& name : report.students) {
        out << verb << " student " << name << " from the student list\n";
    }
    out << verb << ' ' << counted(report.accounts.size(), "account") << " and "
        << counted(report.students.size(), "student") << " unseen for "
        << counted(static_cast<std::size_t>(line.options.retainDays), "day") << '\n';
    return 0;
}

} // namespace dovrix::server
