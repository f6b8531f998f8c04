#pragma once
// The school's records beside the game's: classes, teachers and the console's sessions, and
// what the console reads of the students, changes for them (a password reset) and deletes
// (a student on request, accounts past the retention time). Its own connection to the
// accounts database, so the console never waits on the game's, used by one thread at a time.

#include "sqlite_statement.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace dovrix::server {

struct TeacherRecord {
    std::int64_t id = 0;
    std::string name;
    bool administrator = false;
    std::string passwordHash;
    std::vector<std::string> classes; // the class names, in order
};

struct ClassSummary {
    std::string key;
    std::string name;
    int students = 0;
};

// One student as the class page and the CSV files show them.
struct StudentSummary {
    std::string userKey;
    std::string name;
    std::string className;
    bool played = false; // has a game account
    int level = 1;
    int reachedThisWeek = 0;
    std::optional<std::int64_t> lastSeen;
    std::optional<std::int64_t> listedAt; // the last import that named the student
};

struct LevelReached {
    int level = 0;
    std::int64_t reachedAt = 0;
};

struct ParChange {
    int level = 0;
    int oldPar = 0;
    int newPar = 0;
    std::int64_t changedAt = 0;
};

struct SessionRecord {
    std::int64_t teacherId = 0;
    std::string formToken;
    std::int64_t startedAt = 0;
    std::int64_t usedAt = 0;
};

// What retention deletes: accounts unseen since the cut-off with their history, and
// entries of the student list that no import has named since then and that have no account.
struct PurgeReport {
    std::vector<std::string> accounts;
    std::vector<std::string> students;
};

class SchoolStore {
public:
    // Opens the database (creating it and bringing it to the current schema). Throws
    // StoreError.
    explicit SchoolStore(const std::string& path);
    ~SchoolStore();
    SchoolStore(const SchoolStore&) = delete;
    SchoolStore& operator=(const SchoolStore&) = delete;

    // --- teachers
    bool hasTeachers();
    std::optional<TeacherRecord> findTeacher(const std::string& nameKey);
    std::optional<TeacherRecord> teacher(std::int64_t id);
    std::vector<TeacherRecord> teachers();
    // Adds the teacher, or gives an existing one this password, role and classes (named as
    // written; classes not known yet are added) and ends their sessions. True when new.
    bool saveTeacher(const std::string& name, const std::string& passwordHash, bool administrator,
                     const std::vector<std::string>& classNames);
    // Removes the teacher and ends their sessions; false when there was none.
    bool removeTeacher(const std::string& nameKey);
    // Ends every session of the teacher but `keep` (empty: all) and sets the password.
    void changeTeacherPassword(std::int64_t id, const std::string& passwordHash,
                               const std::string& keep = {});

    // --- sessions, found by the hash of their token
    void startSession(const std::string& tokenHash, std::int64_t teacherId,
                      const std::string& formToken, std::int64_t now);
    std::optional<SessionRecord> findSession(const std::string& tokenHash);
    void touchSession(const std::string& tokenHash, std::int64_t now);
    void endSession(const std::string& tokenHash);
    // Drops sessions started before `startedBefore` or unused since `usedBefore`.
    void dropSessions(std::int64_t startedBefore, std::int64_t usedBefore);

    // --- classes and students
    // Every class (for an administrator) or the teacher's, by name.
    std::vector<ClassSummary> classes(const TeacherRecord& teacher);
    // The class's name when the teacher may see it; nullopt also when there is no such class.
    std::optional<std::string> className(const TeacherRecord& teacher, const std::string& classKey);
    // The class's students, by name; "this week" counts levels reached since `weekStart`.
    std::vector<StudentSummary> classStudents(const std::string& classKey,
                                              std::int64_t weekStart);
    // The student on the list when the teacher may see them (their class is one of the
    // teacher's; an administrator sees every student); nullopt also for an unknown name.
    std::optional<StudentSummary> student(const TeacherRecord& teacher, const std::string& userKey,
                                          std::int64_t weekStart);
    std::vector<LevelReached> levelsReached(const std::string& userKey);
    // Every student of the list, by class and name, handed to `row` one by one from a
    // connection of its own, so the whole school streams without holding the others up.
    void forEachStudent(std::int64_t weekStart, const std::function<void(const StudentSummary&)>& row);
    // Sets the student's school password; false when the name is not on the list.
    bool setStudentPassword(const std::string& userKey, const std::string& passwordHash);
    // Deletes the student's account, history and entry on the list; false when there was none.
    bool deleteStudent(const std::string& userKey);

    // --- the par list now, level 1 first, and its history, newest first
    std::vector<int> pars();
    std::vector<ParChange> parChanges();

    // --- retention
    // Deletes (or with `dryRun` only lists) what has not been seen since `cutoff`.
    PurgeReport purge(std::int64_t cutoff, bool dryRun);

private:
    Statement prepare(const char* sql);
    std::vector<std::string> classNamesOf(std::int64_t teacherId);

    std::string path_;
    sqlite3* db_ = nullptr;
    std::mutex mutex_;
};

} // namespace dovrix::server
