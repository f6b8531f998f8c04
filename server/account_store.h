#pragma once
// The game's storage: accounts, the district's students and the par list, in one SQLite file
// (WAL journal), with what the school's console reads of them: when each account was last
// seen, when it first reached each level, every par change. One connection, used by one
// thread at a time.

#include "sqlite_statement.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace dovrix::server {

struct AccountRecord {
    std::string userName;
    // Online accounts have their own password; school accounts (made by the district check
    // or the school's automatic login) have none and answer to the student's password.
    std::optional<std::string> passwordHash;
    int level = 1;
};

struct StudentRecord {
    std::string userKey;
    std::string passwordHash;
    // The name as the list writes it; empty: the key.
    std::string userName;
    // The class as the list writes it; empty: in no class.
    std::string className;
};

enum class CreateResult { Created, NameTaken };

class AccountStore {
public:
    // Opens or creates the database and brings it to the current schema. Throws StoreError.
    explicit AccountStore(const std::string& path);
    ~AccountStore();
    AccountStore(const AccountStore&) = delete;
    AccountStore& operator=(const AccountStore&) = delete;

    std::optional<AccountRecord> findAccount(const std::string& userKey);
    std::optional<std::string> studentPasswordHash(const std::string& userKey);
    // Whether a student list was imported.
    bool hasStudents();

    // A new online account at level 1, unless the name is taken by an account or a student.
    CreateResult createOnlineAccount(const std::string& userKey, const std::string& userName,
                                     const std::string& passwordHash);
    // The school account's level, creating it at level 1 when it does not exist yet. nullopt
    // when the name belongs to an online account.
    std::optional<int> openSchoolAccount(const std::string& userKey, const std::string& userName);
    // Notes a successful login as the account's last sight (written when the stored one is a
    // minute old or more).
    void noteSeen(const std::string& userKey);
    // Raises the account's level to `level` (never lowers it), noting when each level above
    // the old one was first reached and the update as its last sight; false when there is no
    // such account.
    bool raiseLevel(const std::string& userKey, int level);

    // Which of the names belong to online accounts (their index in `userKeys`).
    std::vector<std::size_t> onlineAccountsAmong(const std::vector<std::string>& userKeys);
    // Adds the students or replaces their passwords and classes, all or none. A name that
    // belongs to an online account stops the import, which then returns the indexes of those
    // students; with `takeOver`, those accounts become school accounts, answering to the
    // student's password and keeping their level.
    std::vector<std::size_t> importStudents(const std::vector<StudentRecord>& students,
                                            bool takeOver);

    // The pars of levels 1 to n, in order.
    std::vector<int> pars();
    // Lowers one level's par to `moves` when that is below it, noting the change; false when
    // nothing changed.
    bool lowerPar(int level, int moves);
    // Fills in the levels the par list lacks from the catalogue, lowers pars above a lower
    // catalogue par, and raises pars below a level's floor (its proven optimum), noting each
    // change of a par that was there.
    void reconcilePars(const std::vector<int>& cataloguePars,
                       const std::function<std::optional<int>(int)>& floor);

private:
    Statement prepare(const char* sql);
    void notePar(int level, int oldPar, int newPar);
    // The account's last sight, unless the stored one is less than a minute old; the caller
    // holds the lock.
    void writeSight(const std::string& userKey, std::int64_t now);

    sqlite3* db_ = nullptr;
    std::mutex mutex_;
};

} // namespace dovrix::server
