#include "school_store.h"

#include "school_names.h"

#include <sqlite3.h>


namespace dovrix::server {

namespace {

// The columns of a StudentSummary, for a query over students s.
constexpr const char* kStudentColumns =
    "SELECT s.user_key, coalesce(s.user_name, a.user_name, s.user_key), coalesce(c.name, ''), "
    "a.user_key IS NOT NULL, coalesce(a.level, 1), "
    "(SELECT count(*) FROM levels_reached r WHERE r.user_key = s.user_key "
    "AND r.reached_at >= ?1), a.last_seen, s.listed_at "
    "FROM students s LEFT JOIN accounts a ON a.user_key = s.user_key "
    "LEFT JOIN classes c ON c.class_key = s.class_key ";

StudentSummary studentOf(const Statement& row) {
    StudentSummary student;
    student.userKey = row.text(0);
    student.name = row.text(1);
    student.className = row.text(2);
    student.played = row.integer(3) != 0;
    student.level = row.integer(4);
    student.reachedThisWeek = row.integer(5);
    if (!row.isNull(6)) {
        student.lastSeen = row.integer64(6);
    }
    if (!row.isNull(7)) {
        student.listedAt = row.integer64(7);
    }
    return student;
}

TeacherRecord teacherOf(const Statement& row) {
    return {row.integer64(0), row.text(1), row.integer(2) != 0, row.text(3), {}};
}

} // namespace

SchoolStore::SchoolStore(const std::string& path) : path_(path), db_(openDatabase(path)) {}

SchoolStore::~SchoolStore() {
    if (db_) {
        sqlite3_close(db_);
    }
}

Statement SchoolStore::prepare(const char* sql) {
    return Statement(db_, sql);
}

bool SchoolStore::hasTeachers() {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT EXISTS (SELECT 1 FROM teachers)");
    return select.step() && select.integer(0) != 0;
}

std::vector<std::string> SchoolStore::classNamesOf(std::int64_t teacherId) {
    Statement select = prepare("SELECT coalesce(c.name, t.class_key) FROM teacher_classes t "
                               "LEFT JOIN classes c ON c.class_key = t.class_key "
                               "WHERE t.teacher_id = ?1 ORDER BY t.class_key");
    select.bind(1, teacherId);
    std::vector<std::string> names;
    while (select.step()) {
        names.push_back(select.text(0));
    }
    return names;
}

std::optional<TeacherRecord> SchoolStore::findTeacher(const std::string& nameKey) {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT teacher_id, name, administrator, password_hash "
                               "FROM teachers WHERE name_key = ?1");
    select.bind(1, nameKey);
    if (!select.step()) {
        return std::nullopt;
    }
    TeacherRecord found = teacherOf(select);
    found.classes = classNamesOf(found.id);
    return found;
}

std::optional<TeacherRecord> SchoolStore::teacher(std::int64_t id) {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT teacher_id, name, administrator, password_hash "
                               "FROM teachers WHERE teacher_id = ?1");
    select.bind(1, id);
    if (!select.step()) {
        return std::nullopt;
    }
    TeacherRecord found = teacherOf(select);
    found.classes = classNamesOf(found.id);
    return found;
}

std::vector<TeacherRecord> SchoolStore::teachers() {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT teacher_id, name, administrator, password_hash "
                               "FROM teachers ORDER BY name_key");
    std::vector<TeacherRecord> all;
    while (select.step()) {
        all.push_back(teacherOf(select));
    }
    for (TeacherRecord& each : all) {
        each.classes = classNamesOf(each.id);
    }
    return all;
}

bool SchoolStore::saveTeacher(const std::string& name, const std::string& passwordHash,
                              bool administrator, const std::vector<std::string>& classNames) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    Statement find = prepare("SELECT teacher_id FROM teachers WHERE name_key = ?1");
    find.bind(1, nameKeyOf(name));
    const bool known = find.step();
    std::int64_t id = known ? find.integer64(0) : 0;
    if (known) {
        Statement update = prepare("UPDATE teachers SET name = ?2, password_hash = ?3, "
                                   "administrator = ?4 WHERE teacher_id = ?1");
        update.bind(1, id).bind(2, name).bind(3, passwordHash).bind(4, administrator ? 1 : 0);
        update.step();
        for (const char* sql : {"DELETE FROM teacher_classes WHERE teacher_id = ?1",
                                "DELETE FROM console_sessions WHERE teacher_id = ?1"}) {
            Statement clear = prepare(sql);
            clear.bind(1, id).step();
        }
    } else {
        Statement insert = prepare("INSERT INTO teachers (name_key, name, password_hash, "
                                   "administrator) VALUES (?1, ?2, ?3, ?4)");
        insert.bind(1, nameKeyOf(name)).bind(2, name).bind(3, passwordHash);
        insert.bind(4, administrator ? 1 : 0).step();
        id = sqlite3_last_insert_rowid(db_);
    }
    Statement addClass = prepare("INSERT INTO classes (class_key, name) VALUES (?1, ?2) "
                                 "ON CONFLICT (class_key) DO NOTHING");
    Statement assign = prepare("INSERT INTO teacher_classes (teacher_id, class_key) "
                               "VALUES (?1, ?2) ON CONFLICT DO NOTHING");
    for (const std::string& className : classNames) {
        addClass.bind(1, classKeyOf(className)).bind(2, className).step();
        addClass.reset();
        assign.bind(1, id).bind(2, classKeyOf(className)).step();
        assign.reset();
    }
    transaction.commit();
    return !known;
}

bool SchoolStore::removeTeacher(const std::string& nameKey) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    Statement find = prepare("SELECT teacher_id FROM teachers WHERE name_key = ?1");
    find.bind(1, nameKey);
    if (!find.step()) {
        return false;
    }
    const std::int64_t id = find.integer64(0);
    for (const char* sql : {"DELETE FROM teacher_classes WHERE teacher_id = ?1",
                            "DELETE FROM console_sessions WHERE teacher_id = ?1",
                            "DELETE FROM teachers WHERE teacher_id = ?1"}) {
        Statement remove = prepare(sql);
        remove.bind(1, id).step();
    }
    transaction.commit();
    return true;
}

void SchoolStore::changeTeacherPassword(std::int64_t id, const std::string& passwordHash,
                                        const std::string& keep) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    Statement update = prepare("UPDATE teachers SET password_hash = ?2 WHERE teacher_id = ?1");
    update.bind(1, id).bind(2, passwordHash).step();
    Statement end = prepare("DELETE FROM console_sessions WHERE teacher_id = ?1 AND "
                            "token_hash IS NOT ?2");
    end.bind(1, id);
    if (keep.empty()) {
        end.bindNull(2);
    } else {
        end.bind(2, keep);
    }
    end.step();
    transaction.commit();
}

void SchoolStore::startSession(const std::string& tokenHash, std::int64_t teacherId,
                               const std::string& formToken, std::int64_t now) {
    const std::lock_guard lock(mutex_);
    Statement insert = prepare("INSERT INTO console_sessions (token_hash, teacher_id, form_token, "
                               "started_at, used_at) VALUES (?1, ?2, ?3, ?4, ?4)");
    insert.bind(1, tokenHash).bind(2, teacherId).bind(3, formToken).bind(4, now).step();
}

std::optional<SessionRecord> SchoolStore::findSession(const std::string& tokenHash) {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT teacher_id, form_token, started_at, used_at "
                               "FROM console_sessions WHERE token_hash = ?1");
    select.bind(1, tokenHash);
    if (!select.step()) {
        return std::nullopt;
    }
    return SessionRecord{select.integer64(0), select.text(1), select.integer64(2),
                         select.integer64(3)};
}

void SchoolStore::touchSession(const std::string& tokenHash, std::int64_t now) {
    const std::lock_guard lock(mutex_);
    Statement update = prepare("UPDATE console_sessions SET used_at = ?2 WHERE token_hash = ?1");
    update.bind(1, tokenHash).bind(2, now).step();
}

void SchoolStore::endSession(const std::string& tokenHash) {
    const std::lock_guard lock(mutex_);
    Statement remove = prepare("DELETE FROM console_sessions WHERE token_hash = ?1");
    remove.bind(1, tokenHash).step();
}

void SchoolStore::dropSessions(std::int64_t startedBefore, std::int64_t usedBefore) {
    const std::lock_guard lock(mutex_);
    Statement remove =
        prepare("DELETE FROM console_sessions WHERE started_at < ?1 OR used_at < ?2");
    remove.bind(1, startedBefore).bind(2, usedBefore).step();
}

std::vector<ClassSummary> SchoolStore::classes(const TeacherRecord& teacher) {
    const std::lock_guard lock(mutex_);
    Statement select = prepare(
        "SELECT c.class_key, c.name, (SELECT count(*) FROM students s "
        "WHERE s.class_key = c.class_key) FROM classes c WHERE ?1 OR c.class_key IN "
        "(SELECT class_key FROM teacher_classes WHERE teacher_id = ?2) ORDER BY c.class_key");
    select.bind(1, teacher.administrator ? 1 : 0).bind(2, teacher.id);
    std::vector<ClassSummary> found;
    while (select.step()) {
        found.push_back({select.text(0), select.text(1), select.integer(2)});
    }
    return found;
}

std::optional<std::string> SchoolStore::className(const TeacherRecord& teacher,
                                                  const std::string& classKey) {
    const std::lock_guard lock(mutex_);
    Statement select = prepare(
        "SELECT name FROM classes WHERE class_key = ?1 AND (?2 OR class_key IN "
        "(SELECT class_key FROM teacher_classes WHERE teacher_id = ?3))");
    select.bind(1, classKey).bind(2, teacher.administrator ? 1 : 0).bind(3, teacher.id);
    if (!select.step()) {
        return std::nullopt;
    }
    return select.text(0);
}

std::vector<StudentSummary> SchoolStore::classStudents(const std::string& classKey,
                                                       std::int64_t weekStart) {
    const std::lock_guard lock(mutex_);
    Statement select = prepare((std::string(kStudentColumns) + "WHERE s.class_key = ?2").c_str());
    select.bind(1, weekStart).bind(2, classKey);
    std::vector<StudentSummary> found;
    while (select.step()) {
        found.push_back(studentOf(select));
    }
    return found;
}

std::optional<StudentSummary> SchoolStore::student(const TeacherRecord& teacher,
                                                   const std::string& userKey,
                                                   std::int64_t weekStart) {
    const std::lock_guard lock(mutex_);
    Statement select = prepare(
        (std::string(kStudentColumns) +
         "WHERE s.user_key = ?2 AND (?3 OR s.class_key IN "
         "(SELECT class_key FROM teacher_classes WHERE teacher_id = ?4))")
            .c_str());
    select.bind(1, weekStart).bind(2, userKey).bind(3, teacher.administrator ? 1 : 0);
    select.bind(4, teacher.id);
    if (!select.step()) {
        return std::nullopt;
    }
    return studentOf(select);
}

std::vector<LevelReached> SchoolStore::levelsReached(const std::string& userKey) {
    const std::lock_guard lock(mutex_);
    Statement select = prepare(
        "SELECT level, reached_at FROM levels_reached WHERE user_key = ?1 ORDER BY level");
    select.bind(1, userKey);
    std::vector<LevelReached> found;
    while (select.step()) {
        found.push_back({select.integer(0), select.integer64(1)});
    }
    return found;
}

void SchoolStore::forEachStudent(std::int64_t weekStart,
                                 const std::function<void(const StudentSummary&)>& row) {
    // A connection of its own: the export reads one snapshot however long it takes, and the
    // console's other requests go on meanwhile.
    sqlite3* reader = openDatabase(path_);
    try {
        Statement select(reader, (std::string(kStudentColumns) +
                                  "ORDER BY s.class_key IS NULL, s.class_key, s.user_key")
                                     .c_str());
        select.bind(1, weekStart);
        while (select.step()) {
            row(studentOf(select));
        }
    } catch (...) {
        sqlite3_close(reader);
        throw;
    }
    sqlite3_close(reader);
}

bool SchoolStore::setStudentPassword(const std::string& userKey, const std::string& passwordHash) {
    const std::lock_guard lock(mutex_);
    Statement update = prepare("UPDATE students SET password_hash = ?2 WHERE user_key = ?1");
    update.bind(1, userKey).bind(2, passwordHash).step();
    return sqlite3_changes(db_) == 1;
}

bool SchoolStore::deleteStudent(const std::string& userKey) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    int deleted = 0;
    for (const char* sql : {"DELETE FROM levels_reached WHERE user_key = ?1",
                            "DELETE FROM accounts WHERE user_key = ?1",
                            "DELETE FROM students WHERE user_key = ?1"}) {
        Statement remove = prepare(sql);
        remove.bind(1, userKey).step();
        deleted += sqlite3_changes(db_);
    }
    transaction.commit();
    return deleted > 0;
}

std::vector<int> SchoolStore::pars() {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT par FROM pars ORDER BY level");
    std::vector<int> found;
    while (select.step()) {
        found.push_back(select.integer(0));
    }
    return found;
}

std::vector<ParChange> SchoolStore::parChanges() {
    const std::lock_guard lock(mutex_);
    Statement select = prepare("SELECT level, old_par, new_par, changed_at FROM par_changes "
                               "ORDER BY changed_at DESC, rowid DESC");
    std::vector<ParChange> found;
    while (select.step()) {
        found.push_back({select.integer(0), select.integer(1), select.integer(2),
                         select.integer64(3)});
    }
    return found;
}

PurgeReport SchoolStore::purge(std::int64_t cutoff, bool dryRun) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    PurgeReport report;
    Statement accounts =
        prepare("SELECT user_name FROM accounts WHERE last_seen < ?1 ORDER BY user_key");
    accounts.bind(1, cutoff);
    while (accounts.step()) {
        report.accounts.push_back(accounts.text(0));
    }
    Statement students = prepare(
        "SELECT coalesce(s.user_name, s.user_key) FROM students s WHERE s.listed_at < ?1 AND "
        "NOT EXISTS (SELECT 1 FROM accounts a WHERE a.user_key = s.user_key AND "
        "(a.last_seen IS NULL OR a.last_seen >= ?1)) ORDER BY s.user_key");
    students.bind(1, cutoff);
    while (students.step()) {
        report.students.push_back(students.text(0));
    }
    if (dryRun) {
        return report;
    }
    for (const char* sql :
         {"DELETE FROM students WHERE listed_at < ?1 AND NOT EXISTS (SELECT 1 FROM accounts a "
          "WHERE a.user_key = students.user_key AND (a.last_seen IS NULL OR a.last_seen >= ?1))",
          "DELETE FROM levels_reached WHERE user_key IN "
          "(SELECT user_key FROM accounts WHERE last_seen < ?1)",
          "DELETE FROM accounts WHERE last_seen < ?1"}) {
        Statement remove = prepare(sql);
        remove.bind(1, cutoff).step();
    }
    transaction.commit();
    return report;
}

} // namespace dovrix::server
