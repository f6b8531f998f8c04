// What the account server keeps for the school besides the game's accounts, through the
// program's own commands and requests: a database of the first release opened in place,
// classes from the student list, teachers from the command line, the history the console
// shows, and retention.

#include "school_store.h"
#include "server_program.h"
#include "sql.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace dovrix::testing {
namespace {

std::string days(int n) {
    return "(strftime('%s','now') - " + std::to_string(n) + " * 86400)";
}

TEST(SchoolRecords, DatabaseOfTheFirstReleaseKeepsEveryAccountStudentParAndPassword) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    std::filesystem::copy_file(DOVRIX_FIRST_RELEASE_DATABASE, database);
    EXPECT_EQ(sql(database, "PRAGMA user_version"), "0\n");
    // Any command migrates it. Each account and student counts as seen at the upgrade, so
    // retention starts then.
    EXPECT_EQ(Program({"list-teachers", "--db", database}).exitCodeAtEnd(), 0);
    EXPECT_EQ(sql(database, "PRAGMA user_version"), "2\n");
    EXPECT_EQ(sql(database, "SELECT count(*) FROM accounts WHERE last_seen >= " + days(1)),
              "5\n");
    EXPECT_EQ(sql(database, "SELECT count(*) FROM students WHERE listed_at >= " + days(1)),
              "4\n");
    for (int start = 0; start < 2; ++start) {
        Server server(database);
        for (const auto& [query, reply] : std::vector<std::pair<std::string, std::string>>{
                 {"o=login&u=Mira&p=mira-pass", "34"},
                 {"o=login&u=olek&p=olek-pass", "1"},
                 {"o=login&u=olek&p=wrong", kInvalid},
                 {"o=qel&u=anna.berg&p=", "12"},
                 {"o=qel&u=ben.ng&p=", "57"},
                 {"o=halvern&u=Cleo.Park&p=school-cleo", "101"},
                 {"o=vorna&u=dana&p=school-dana", start == 0 ? "Success" : "1"},
                 {"o=vorna&u=dana&p=school-ben", kInvalid},
                 {"o=create&u=DANA&p=x", "Username Already Exists"}}) {
            EXPECT_EQ(server.get(query), reply) << query << " after start " << start;
        }
        const std::string pars = server.get("/dovrix/pars");
        EXPECT_NE(pars.find(",17,"), std::string::npos) << "level 87's record is lost: " << pars;
        server.signal(SIGTERM);
        EXPECT_EQ(server.exitCodeAtEnd(), 0) << server.errors();
    }
    EXPECT_EQ(sql(database, "PRAGMA user_version"), "2\n");

    // A database of a later release is not touched.
    sql(database, "PRAGMA user_version = 3");
    Program newer({"--port", "0", "--db", database});
    EXPECT_EQ(newer.exitCodeAtEnd(), 1);
    EXPECT_NE(newer.errors().find("newer dovrix-account-server"), std::string::npos);
}

TEST(SchoolRecords, StudentListGivesClassesAndImportingAgainMovesStudents) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    const auto import = [&](const std::string& csv) {
        std::ofstream(folder.file("students.csv")) << csv;
        Program program({"import-students", folder.file("students.csv"), "--db", database});
        const int code = program.exitCodeAtEnd();
        return std::pair(code, program.errors());
    };
    EXPECT_EQ(import("username,password,class\nanna,pw-anna,7A\nbo,pw-bo,7B\ncy,pw-cy\n").first,
              0);
    // The whole file or nothing: a broken class stops it.
    const auto refused = import("anna,pw-anna,7B\nbo,pw-bo,\"7,B\"\ndi,pw-di,1,2\n");
    EXPECT_EQ(refused.first, 1);
    EXPECT_NE(refused.second.find("line 2: a class name"), std::string::npos) << refused.second;
    EXPECT_NE(refused.second.find("line 3: expected a user name, a password and an optional class"),
              std::string::npos)
        << refused.second;
    EXPECT_EQ(import("Anna,pw-anna,7b\nbo,pw-bo\n").first, 0);

    server::SchoolStore store(database);
    const server::TeacherRecord everyClass{0, "admin", true, "", {}};
    std::vector<std::pair<std::string, int>> classes;
    for (const auto& summary : store.classes(everyClass)) {
        classes.emplace_back(summary.name, summary.students);
    }
    // One class whatever its case, spelt as last imported.
    EXPECT_EQ(classes, (std::vector<std::pair<std::string, int>>{{"7A", 0}, {"7b", 1}}));
    const auto sevenB = store.classStudents("7b", 0);
    ASSERT_EQ(sevenB.size(), 1u);
    EXPECT_EQ(sevenB[0].name, "Anna");
    EXPECT_FALSE(sevenB[0].played);
}

TEST(SchoolRecords, TeachersAreKeptFromTheCommandLineWithTheirPasswordOnStandardInput) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    const auto run = [&](std::vector<std::string> arguments,
                         const std::optional<std::string>& input = std::nullopt) {
        arguments.insert(arguments.end(), {"--db", database});
        Program program(arguments, input);
        const int code = program.exitCodeAtEnd();
        return std::tuple(code, program.output(), program.errors());
    };
    EXPECT_EQ(run({"add-teacher", "Ms.Lind", "--classes", "7A, 7B"}, "a long password\n"),
              std::tuple(0, std::string("added teacher Ms.Lind of 7A,7B\n"), std::string()));
    EXPECT_EQ(std::get<0>(run({"add-teacher", "root", "--admin"}, "another long one\r\n")), 0);
    // Never a password on the command line, nor a short one, nor a teacher of nothing.
    EXPECT_EQ(std::get<0>(run({"add-teacher", "x", "--admin", "a long password"})), 2);
    EXPECT_EQ(std::get<0>(run({"add-teacher", "x", "--admin"}, "short\n")), 1);
    EXPECT_EQ(std::get<0>(run({"add-teacher", "x"}, "a long password\n")), 2);
    EXPECT_EQ(std::get<0>(run({"add-teacher", "x", "--admin", "--classes", "7A"}, "a long pw\n")),
              2);
    EXPECT_EQ(std::get<0>(run({"add-teacher", "x", "--classes", "7A,,7B"}, "a long pw 1\n")), 2);
    EXPECT_EQ(std::get<1>(run({"list-teachers"})), "Ms.Lind\t7A,7B\nroot\tadministrator\n");

    // Adding again gives a new password and classes, and ends the teacher's sessions.
    server::SchoolStore store(database);
    const auto lind = store.findTeacher("ms.lind");
    ASSERT_TRUE(lind);
    store.startSession("token", lind->id, "form", server::secondsNow());
    EXPECT_EQ(std::get<1>(run({"add-teacher", "ms.lind", "--classes", "8C"}, "a new password\n")),
              "updated teacher ms.lind of 8C\n");
    EXPECT_FALSE(store.findSession("token"));
    EXPECT_NE(store.findTeacher("ms.lind")->passwordHash, lind->passwordHash);
    store.startSession("token", lind->id, "form", server::secondsNow());
    EXPECT_EQ(run({"remove-teacher", "MS.LIND"}),
              std::tuple(0, std::string("removed teacher MS.LIND\n"), std::string()));
    EXPECT_FALSE(store.findSession("token"));
    EXPECT_EQ(std::get<0>(run({"remove-teacher", "ms.lind"})), 1);
    EXPECT_EQ(std::get<1>(run({"list-teachers"})), "root\tadministrator\n");
    // The password is stored as an Argon2id hash, never as typed.
    EXPECT_EQ(sql(database, "SELECT count(*) FROM teachers WHERE password_hash LIKE "
                            "'$argon2id$%' AND password_hash NOT LIKE '%another%'"),
              "1\n");
}

TEST(SchoolRecords, ServerRemembersFirstReachPerLevelLastSightAndParChanges) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    {
        Server server(database);
        for (const std::string query :
             {"o=qel&u=pat&p=", "o=update&u=pat&p=&l=3", "o=update&u=pat&p=&l=3",
              "o=update&u=pat&p=&l=2", "o=update&u=pat&p=&l=6", "o=create&u=kim&p=pw"}) {
            server.get(query);
        }
        EXPECT_EQ(server.get("/dovrix/pars?Level=87&Moves=17&Par=19"), "OK");
        EXPECT_EQ(server.get("/dovrix/pars?Level=87&Moves=18&Par=17"), "Ignored");
        server.signal(SIGTERM);
        EXPECT_EQ(server.exitCodeAtEnd(), 0);
    }
    // Levels 2 to 6, each once, from the updates that passed them; nothing for a level sent
    // again or lower.
    EXPECT_EQ(sql(database, "SELECT group_concat(level) FROM (SELECT level FROM levels_reached "
                            "WHERE user_key = 'pat' AND reached_at >= " + days(1) +
                            " ORDER BY level)"),
              "2,3,4,5,6\n");
    EXPECT_EQ(sql(database, "SELECT level, old_par, new_par FROM par_changes"), "87|19|17\n");
    EXPECT_EQ(sql(database, "SELECT user_key FROM accounts WHERE last_seen >= " + days(1) +
                            " ORDER BY user_key"),
              "kim\npat\n");
    // A sight a minute old or more is renewed by the next request; a newer one is kept, to the
    // minute, without a write.
    sql(database, "UPDATE accounts SET last_seen = strftime('%s','now') - 120 WHERE user_key = "
                  "'pat'; UPDATE accounts SET last_seen = strftime('%s','now') - 30 WHERE "
                  "user_key = 'kim';");
    {
        Server server(database);
        EXPECT_EQ(server.get("o=update&u=pat&p=&l=2"), "OK");
        EXPECT_EQ(server.get("o=login&u=kim&p=pw"), "1");
        server.signal(SIGTERM);
        EXPECT_EQ(server.exitCodeAtEnd(), 0);
    }
    EXPECT_EQ(sql(database, "SELECT user_key, strftime('%s','now') - last_seen < 20 FROM accounts "
                            "ORDER BY user_key"),
              "kim|0\npat|1\n");
    // Nothing else about a player: the tables hold what the console shows and no more.
    EXPECT_EQ(sql(database, "SELECT group_concat(name) FROM pragma_table_info('levels_reached')"),
              "user_key,level,reached_at\n");
}

TEST(SchoolRecords, RetentionDeletesWhatWentUnseenOnCommandAndWhenTheServiceStarts) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    std::ofstream(folder.file("students.csv")) << "anna,pw-anna,7A\nbo,pw-bo,7A\ncy,pw-cy,7A\n";
    EXPECT_EQ(Program({"import-students", folder.file("students.csv"), "--db", database})
                  .exitCodeAtEnd(),
              0);
    {
        Server server(database);
        for (const std::string query : {"o=qel&u=anna&p=", "o=update&u=anna&p=&l=9",
                                        "o=qel&u=bo&p=", "o=create&u=oldtimer&p=pw"}) {
            server.get(query);
        }
        server.signal(SIGTERM);
        EXPECT_EQ(server.exitCodeAtEnd(), 0);
    }
    // Anna played 401 days ago; Bo 399; cy never, listed 500 days ago; oldtimer 420.
    sql(database, "UPDATE accounts SET last_seen = " + days(401) + " WHERE user_key = 'anna';"
                  "UPDATE accounts SET last_seen = " + days(399) + " WHERE user_key = 'bo';"
                  "UPDATE accounts SET last_seen = " + days(420) + " WHERE user_key = 'oldtimer';"
                  "UPDATE students SET listed_at = " + days(500) + ";");
    Program dry({"purge", "--dry-run", "--db", database});
    EXPECT_EQ(dry.exitCodeAtEnd(), 0);
    EXPECT_EQ(dry.output(), "would delete account anna\nwould delete account oldtimer\n"
                            "would delete student anna from the student list\n"
                            "would delete student cy from the student list\n"
                            "would delete 2 accounts and 2 students unseen for 400 days\n");
    EXPECT_EQ(sql(database, "SELECT count(*) FROM accounts"), "3\n");

    // The service's own settings, as its unit passes them.
    std::ofstream(folder.file("server.conf")) << "db = " << database << "\nretain-days = 410\n";
    Program purge({"purge", "--config", folder.file("server.conf")});
    EXPECT_EQ(purge.exitCodeAtEnd(), 0);
    EXPECT_EQ(purge.output(), "deleted account oldtimer\ndeleted student cy from the student list\n"
                              "deleted 1 account and 1 student unseen for 410 days\n");

    // The service purges before it answers, and says so in its log.
    Server server("", {"--config", folder.file("server.conf"), "--port", "0", "--retain-days",
                       "400"});
    EXPECT_EQ(server.get("o=halvern&u=anna&p=pw-anna"), kInvalid);
    EXPECT_EQ(server.get("o=halvern&u=bo&p=pw-bo"), "1");
    server.signal(SIGTERM);
    EXPECT_EQ(server.exitCodeAtEnd(), 0);
    EXPECT_NE(server.errors().find("retention: deleted 1 account and 1 student unseen for 400 "
                                   "days"),
              std::string::npos);
    EXPECT_EQ(sql(database, "SELECT count(*) FROM levels_reached WHERE user_key = 'anna'"),
              "0\n");
}

} // namespace
} // namespace dovrix::testing
