#include "console.h"

#include "csv.h"
#include "level_chart.h"
#include "pages.h"
#include "request_handler.h"
#include "school_names.h"
#include "sessions.h"
#include "shared_state.h"
#include "student_export.h"
#include "student_import.h"
#include "time_text.h"

#include <algorithm>
#include <array>

namespace dovrix::server::console {

namespace {

// No script at all, styles and pictures only from the console, forms only to it, never in a
// frame.
constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
    "frame-ancestors 'none'; base-uri 'none'";

constexpr std::size_t kLongestLoggedName = 64;

std::string levelText(int level) {
    return level > kCatalogueSize ? "all " + std::to_string(kCatalogueSize) + " beaten"
                                  : std::to_string(level);
}

std::string seenText(const StudentSummary& student) {
    if (!student.played) {
        return "not played yet";
    }
    return student.lastSeen ? localTime(*student.lastSeen) : "unknown";
}

const std::string* field(const Parameters& parameters, const std::string& name) {
    const auto found = parameters.find(name);
    return found == parameters.end() ? nullptr : &found->second;
}

// The first `count` UTF-8 characters at most, for a log line.
std::string shortened(const std::string& text) {
    std::size_t end = 0;
    for (std::size_t characters = 0; end < text.size() && characters < kLongestLoggedName;
         ++characters) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    return text.substr(0, end);
}

struct Column {
    const char* key;
    const char* label;
    bool number;
};
constexpr std::array<Column, 4> kColumns = {{{"name", "Student", false},
                                             {"level", "Level reached", true},
                                             {"week", "Reached this week", true},
                                             {"seen", "Last seen", false}}};

} // namespace

struct Console::Context {
    std::optional<SignedIn> signedIn;
    std::int64_t now = 0;
    std::int64_t weekStart = 0;
    std::string notice;
    std::string problem;
};

Console::Console(SchoolStore& store, AccountService& game, const ServerOptions& options,
                 LogLine log)
    : store_(store), game_(game), options_(options), root_("/" + options.consolePath),
      log_(std::move(log)), signIns_(game.passwordHasher(), game.decoyHash(), nullptr) {}

bool Console::owns(std::string_view path) const {
    return path == root_ || (path.starts_with(root_) && path[root_.size()] == '/');
}

void Console::log(const std::string& line) {
    log_("dovrix-account-server: console: " + escapedForLog(line));
}

std::optional<ConsoleReply> Console::handle(const ConsoleRequest& request) {
    // Off, out of range or without a teacher, the console is not there at all.
    if (!options_.console || !options_.consoleFrom ||
        !options_.consoleFrom->contains(request.client.address) || !store_.hasTeachers()) {
        return std::nullopt;
    }
    Context context;
    context.now = secondsNow();
    context.weekStart = context.now - 7 * 86400;
    ConsoleReply reply;
    try {
        reply = route(request, context);
    } catch (const std::exception& error) {
        log_("dovrix-account-server: console: " + escapedForLog(error.what()));
        reply = {500, "text/plain; charset=utf-8", {}, "The console failed; try again.", {}};
    }
    reply.headers.emplace_back("Content-Security-Policy", kContentSecurityPolicy);
    reply.headers.emplace_back("X-Content-Type-Options", "nosniff");
    reply.headers.emplace_back("Referrer-Policy", "no-referrer");
    reply.headers.emplace_back("X-Frame-Options", "DENY");
    if (request.path != "/console.css") {
        reply.headers.emplace_back("Cache-Control", "no-store");
    }
    return reply;
}

// A change must come from the console's own pages: the browser's Origin is the console's, or
// (a browser that sends no Origin under the page's no-referrer policy) its fetch metadata
// says the request is from the same origin.
bool Console::sameOrigin(const ConsoleRequest& request) const {
    const std::string own = (request.secure ? "https://" : "http://") + request.host;
    if (!request.host.empty() && request.origin == own) {
        return true;
    }
    return (request.origin.empty() || request.origin == "null") &&
           request.fetchSite == "same-origin";
}

ConsoleReply Console::route(const ConsoleRequest& request, Context& context) {
    const std::string& path = request.path;
    if (path == "/console.css" && request.method == "GET") {
        ConsoleReply css{200, "text/css; charset=utf-8", {}, std::string(stylesheet()), {}};
        css.headers.emplace_back("Cache-Control", "max-age=3600");
        return css;
    }
    if (path.empty()) {
        return redirect(root_ + "/");
    }
    context.signedIn = openSession(store_, request.cookie, context.now);
    if (request.method == "POST") {
        if (!sameOrigin(request)) {
            return message(context, 403, "Not sent from the console",
                           "This form did not come from the console's own page. Open the page "
                           "again and send it from there.");
        }
        if (path == "/sign-in") {
            return signIn(request, context);
        }
        if (!context.signedIn) {
            return redirect(root_ + "/sign-in");
        }
        const std::string* token = field(request.form, "form-token");
        if (!token || !sameToken(*token, context.signedIn->session.formToken)) {
            return message(context, 403, "Form expired",
                           "This form belongs to another session. Open the page again and send "
                           "it from there.");
        }
        if (path == "/sign-out") {
            return signOut(context);
        }
        if (path == "/password") {
            return changeOwnPassword(request, context);
        }
        if (path.starts_with("/students/")) {
            return studentRoute(request, context);
        }
        return notFound(context);
    }
    if (request.method != "GET" && request.method != "HEAD") {
        ConsoleReply refused = message(context, 405, "Not allowed", "");
        refused.headers.emplace_back("Allow", "GET, POST");
        return refused;
    }
    if (path == "/sign-in") {
        PageData data;
        return page("sign_in", data, context);
    }
    if (!context.signedIn) {
        return redirect(root_ + "/sign-in");
    }
    if (path == "/") {
        PageData data;
        PageList classes;
        for (const ClassSummary& summary : store_.classes(context.signedIn->teacher)) {
            PageData row;
            row.set("name", summary.name);
            row.set("link", linkSegment(summary.key));
            row.set("students", std::to_string(summary.students));
            classes.push_back(row);
        }
        data.set("hasClasses", !classes.empty());
        data.set("classes", classes);
        data.set("title", "Classes");
        return page("classes", data, context);
    }
    if (path == "/password") {
        PageData data;
        data.set("title", "My password");
        return page("own_password", data, context);
    }
    if (path == "/pars") {
        return parsPage(context);
    }
    if (path == "/teachers" && context.signedIn->teacher.administrator) {
        return teachersPage(context);
    }
    if (path == "/school.csv" && context.signedIn->teacher.administrator) {
        return schoolCsv(context);
    }
    if (path.starts_with("/classes/") && request.segments.size() == 2) {
        const std::string& key = request.segments[1];
        if (key.ends_with(".csv")) {
            return classCsv(key.substr(0, key.size() - 4), context);
        }
        return classPage(key, request, context);
    }
    if (path.starts_with("/students/")) {
        return studentRoute(request, context);
    }
    return notFound(context);
}

ConsoleReply Console::page(std::string_view name, PageData data, Context& context, int status) {
    data.set("root", root_);
    if (context.signedIn) {
        data.set("signedIn", true);
        data.set("teacherName", context.signedIn->teacher.name);
        data.set("administrator", context.signedIn->teacher.administrator);
        data.set("formToken", context.signedIn->session.formToken);
    }
    if (!context.notice.empty()) {
        data.set("notice", context.notice);
    }
    if (!context.problem.empty()) {
        data.set("problem", context.problem);
    }
    return {status, "text/html; charset=utf-8", {}, renderPage(name, data), {}};
}

ConsoleReply Console::message(Context& context, int status, const std::string& heading,
                              const std::string& text, const std::string& link,
                              const std::string& linkText) {
    PageData data;
    data.set("title", heading);
    data.set("heading", heading);
    if (!text.empty()) {
        data.set("text", text);
    }
    if (!link.empty()) {
        data.set("link", link);
        data.set("linkText", linkText);
    }
    return page("message", data, context, status);
}

// The one answer for anything a teacher may not see or that does not exist.
ConsoleReply Console::notFound(Context& context) {
    return message(context, 404, "Not found", "There is nothing here.", root_ + "/",
                   "Back to the classes");
}

ConsoleReply Console::redirect(const std::string& to) {
    ConsoleReply reply{303, "text/plain; charset=utf-8", {}, "", {}};
    reply.headers.emplace_back("Location", to);
    return reply;
}

ConsoleReply Console::signIn(const ConsoleRequest& request, Context& context) {
    const std::string* name = field(request.form, "name");
    const std::string* password = field(request.form, "password");
    const std::string typed = name ? *name : "";
    const auto teacher = isAcceptableTeacherName(typed) ? store_.findTeacher(nameKeyOf(typed))
                                                        : std::nullopt;
    // An unknown name is checked against the decoy: the same work and the same answer.
    const PasswordGate::Verdict verdict =
        signIns_.verify(nameKeyOf(typed), teacher ? &teacher->passwordHash : nullptr,
                        password ? *password : "", request.client, std::chrono::steady_clock::now());
    const std::string who = "\"" + shortened(typed) + "\" from " + request.client.address;
    PageData data;
    data.set("name", typed);
    data.set("title", "Sign in");
    context.signedIn.reset();
    switch (verdict) {
    case PasswordGate::Verdict::Match:
        break;
    case PasswordGate::Verdict::Mismatch:
        log("failed sign-in as " + who);
        context.problem = "The name or the password is not right.";
        return page("sign_in", data, context, 403);
    case PasswordGate::Verdict::Throttled:
        log("failed sign-in as " + who + " (too many tries)");
        context.problem = "Too many failed sign-ins from here. Try again in 10 minutes.";
        return page("sign_in", data, context, 429);
    case PasswordGate::Verdict::Busy:
        context.problem = "The server is busy. Try again in a minute.";
        return page("sign_in", data, context, 503);
    }
    // A fresh session at every sign-in; the browser's old one, if any, ends.
    if (const auto old = openSession(store_, request.cookie, context.now)) {
        store_.endSession(old->tokenHash);
    }
    const NewSession session = startSession(store_, teacher->id, context.now);
    log("sign-in of teacher " + teacher->name + " from " + request.client.address);
    ConsoleReply reply = redirect(root_ + "/");
    reply.headers.emplace_back("Set-Cookie", sessionCookie(session.token));
    return reply;
}

ConsoleReply Console::signOut(Context& context) {
    store_.endSession(context.signedIn->tokenHash);
    ConsoleReply reply = redirect(root_ + "/sign-in");
    reply.headers.emplace_back("Set-Cookie", endedSessionCookie());
    return reply;
}

ConsoleReply Console::changeOwnPassword(const ConsoleRequest& request, Context& context) {
    const TeacherRecord& teacher = context.signedIn->teacher;
    const std::string* current = field(request.form, "current");
    const std::string* fresh = field(request.form, "password");
    const std::string* again = field(request.form, "again");
    PageData data;
    data.set("title", "My password");
    if (!fresh || !again || *fresh != *again) {
        context.problem = "The two new passwords differ.";
        return page("own_password", data, context, 400);
    }
    if (!isAcceptableTeacherPassword(*fresh)) {
        context.problem = "A password takes 10 to 128 characters, without control characters.";
        return page("own_password", data, context, 400);
    }
    const auto verdict = signIns_.verify(nameKeyOf(teacher.name), &teacher.passwordHash,
                                         current ? *current : "", request.client,
                                         std::chrono::steady_clock::now());
    if (verdict != PasswordGate::Verdict::Match) {
        context.problem = verdict == PasswordGate::Verdict::Mismatch
                              ? "The current password is not right."
                              : "Too many tries, or the server is busy. Try again later.";
        return page("own_password", data, context, 403);
    }
    const auto hash = game_.passwordHasher().hash(
        *fresh, PasswordGate::hashingShare(nameKeyOf(teacher.name), request.client));
    if (!hash) {
        context.problem = "The server is busy. Try again in a minute.";
        return page("own_password", data, context, 503);
    }
    // Every session ends, this one too; this browser gets a new one.
    store_.changeTeacherPassword(teacher.id, *hash);
    const NewSession session = startSession(store_, teacher.id, context.now);
    log("password change of teacher " + teacher.name);
    context.signedIn = openSession(store_, std::string(kSessionCookie) + "=" + session.token,
                                   context.now);
    context.notice = "Your password is changed. Your other sessions have ended.";
    ConsoleReply reply = page("own_password", data, context);
    reply.headers.emplace_back("Set-Cookie", sessionCookie(session.token));
    return reply;
}

ConsoleReply Console::classPage(const std::string& classKey, const ConsoleRequest& request,
                                Context& context) {
    const auto name = store_.className(context.signedIn->teacher, classKey);
    if (!name) {
        return notFound(context);
    }
    std::vector<StudentSummary> students = store_.classStudents(classKey, context.weekStart);
    const std::string* sortParameter = field(request.query, "sort");
    const std::string* orderParameter = field(request.query, "order");
    std::string sort = sortParameter ? *sortParameter : "name";
    if (std::none_of(kColumns.begin(), kColumns.end(),
                     [&](const Column& column) { return sort == column.key; })) {
        sort = "name";
    }
    const bool descending = orderParameter && *orderParameter == "desc";
    const auto key = [&](const StudentSummary& s) {
        const std::int64_t seen = s.played && s.lastSeen ? *s.lastSeen : -1;
        return sort == "level"  ? std::tuple<std::int64_t, std::string>(s.level, s.userKey)
               : sort == "week" ? std::tuple<std::int64_t, std::string>(s.reachedThisWeek, s.userKey)
               : sort == "seen" ? std::tuple<std::int64_t, std::string>(seen, s.userKey)
                                : std::tuple<std::int64_t, std::string>(0, s.userKey);
    };
    std::stable_sort(students.begin(), students.end(), [&](const auto& a, const auto& b) {
        return descending ? key(b) < key(a) : key(a) < key(b);
    });

    PageData data;
    data.set("title", "Class " + *name);
    data.set("className", *name);
    data.set("classLink", linkSegment(classKey));
    PageList columns;
    for (const Column& column : kColumns) {
        PageData header;
        header.set("key", column.key);
        header.set("label", column.label);
        header.set("number", column.number);
        const bool sorted = sort == column.key;
        if (sorted) {
            header.set("sorted", descending ? "descending" : "ascending");
            data.set("sortedBy", std::string(column.label) + (descending ? ", high to low" : ""));
        }
        header.set("next", sorted && !descending ? "desc" : "asc");
        columns.push_back(header);
    }
    data.set("columns", columns);
    PageList rows;
    std::vector<int> levels;
    for (const StudentSummary& student : students) {
        PageData row;
        row.set("name", student.name);
        row.set("link", linkSegment(student.userKey));
        row.set("level", levelText(student.level));
        row.set("week", std::to_string(student.reachedThisWeek));
        row.set("seen", seenText(student));
        rows.push_back(row);
        levels.push_back(student.level);
    }
    data.set("students", rows);
    data.set("chart", levelChart(levels));
    return page("class", data, context);
}

namespace {

std::vector<std::string> csvHeader() {
    return {"Class", "Student", "User name", "Level reached", "Every level beaten",
            "Levels reached this week", "Last seen"};
}

std::vector<std::string> csvRow(const StudentSummary& student) {
    return {student.className,
            student.name,
            student.userKey,
            std::to_string(std::min<int>(student.level, kCatalogueSize)),
            student.level > kCatalogueSize ? "yes" : "no",
            std::to_string(student.reachedThisWeek),
            student.played && student.lastSeen ? localTime(*student.lastSeen) : ""};
}

ConsoleReply csvFile(const std::string& fileName) {
    ConsoleReply reply{200, "text/csv; charset=utf-8; header=present", {}, {}, {}};
    reply.headers.emplace_back("Content-Disposition",
                               "attachment; filename=\"" + fileName + "\"");
    return reply;
}

} // namespace

ConsoleReply Console::classCsv(const std::string& classKey, Context& context) {
    const auto name = store_.className(context.signedIn->teacher, classKey);
    if (!name) {
        return notFound(context);
    }
    ConsoleReply reply = csvFile("dovrix-class-" + linkSegment(classKey) + ".csv");
    reply.body = std::string(kUtf8Mark) + csvLine(csvHeader());
    for (const StudentSummary& student : store_.classStudents(classKey, context.weekStart)) {
        reply.body += csvLine(csvRow(student));
    }
    log("CSV export of class " + *name + " by teacher " + context.signedIn->teacher.name);
    return reply;
}

ConsoleReply Console::schoolCsv(Context& context) {
    ConsoleReply reply = csvFile("dovrix-school.csv");
    const std::int64_t weekStart = context.weekStart;
    // Streamed from a connection of its own, a few kilobytes at a time.
    reply.stream = [this, weekStart](const BodyWriter& write) {
        std::string buffer = std::string(kUtf8Mark) + csvLine(csvHeader());
        bool open = true;
        store_.forEachStudent(weekStart, [&](const StudentSummary& student) {
            buffer += csvLine(csvRow(student));
            if (open && buffer.size() >= 16384) {
                open = write(buffer);
                buffer.clear();
            }
        });
        if (open && !buffer.empty()) {
            write(buffer);
        }
    };
    log("CSV export of the whole school by teacher " + context.signedIn->teacher.name);
    return reply;
}

ConsoleReply Console::studentRoute(const ConsoleRequest& request, Context& context) {
    // students/NAME or students/NAME/ACTION
    const auto& segments = request.segments;
    if (segments.size() < 2 || segments.size() > 3) {
        return notFound(context);
    }
    const std::string& userKey = segments[1];
    const std::string action = segments.size() == 3 ? segments[2] : "";
    const TeacherRecord& teacher = context.signedIn->teacher;
    // Another class's student is answered exactly as one who does not exist.
    auto student = store_.student(teacher, userKey, context.weekStart);
    if (!student || (action != "" && action != "password" && action != "export" &&
                     action != "delete") ||
        (action.empty() && request.method == "POST")) {
        return notFound(context);
    }
    PageData data;
    data.set("name", student->name);
    data.set("link", linkSegment(student->userKey));
    const bool posted = request.method == "POST";
    if (action == "password") {
        data.set("title", "New password for " + student->name);
        if (!posted) {
            return page("student_password", data, context);
        }
        const std::string* fresh = field(request.form, "password");
        const std::string* again = field(request.form, "again");
        if (!fresh || !again || *fresh != *again) {
            context.problem = "The two passwords differ.";
            return page("student_password", data, context, 400);
        }
        if (!isSendablePassword(*fresh)) {
            context.problem = "The game's login window cannot send this password: it takes 1 to "
                              "25 characters, without blanks at either end.";
            return page("student_password", data, context, 400);
        }
        const auto hash = game_.passwordHasher().hash(
            *fresh, PasswordGate::hashingShare(userKey, request.client));
        if (!hash) {
            context.problem = "The server is busy. Try again in a minute.";
            return page("student_password", data, context, 503);
        }
        store_.setStudentPassword(userKey, *hash);
        // The old password, remembered by the game's service, opens nothing from now on.
        game_.forgetCredentials(userKey);
        log("password reset of student " + student->userKey + " by teacher " + teacher.name);
        context.notice = "The new password holds from " + student->name + "'s next login.";
    } else if (action == "export") {
        data.set("title", "Export " + student->name);
        if (!posted) {
            return page("student_export", data, context);
        }
        ConsoleReply file{200, "application/json; charset=utf-8", {}, {}, {}};
        file.body =
            studentExport(*student, store_.levelsReached(userKey), teacher.name, context.now);
        file.headers.emplace_back("Content-Disposition", "attachment; filename=\"dovrix-student-" +
                                                             linkSegment(userKey) + ".json\"");
        log("export of student " + student->userKey + " by teacher " + teacher.name);
        return file;
    } else if (action == "delete") {
        data.set("title", "Delete " + student->name);
        if (!posted) {
            return page("student_delete", data, context);
        }
        const std::string* confirm = field(request.form, "confirm");
        if (!confirm || nameKeyOf(*confirm) != nameKeyOf(student->name)) {
            context.problem = "The name typed is not the student's: nothing was deleted.";
            return page("student_delete", data, context, 400);
        }
        store_.deleteStudent(userKey);
        game_.forgetCredentials(userKey);
        log("deletion of student " + student->userKey + " by teacher " + teacher.name);
        return message(context, 200, "Deleted",
                       student->name + "'s account, history and entry on the student list are "
                                       "deleted.",
                       root_ + "/", "Back to the classes");
    }
    data.set("title", student->name);
    if (!student->className.empty()) {
        data.set("className", student->className);
        data.set("classLink", linkSegment(classKeyOf(student->className)));
    }
    data.set("level", student->played ? levelText(student->level) : "1 (not played yet)");
    data.set("week", std::to_string(student->reachedThisWeek));
    data.set("seen", seenText(*student));
    PageList levels;
    for (const LevelReached& reached : store_.levelsReached(userKey)) {
        PageData row;
        row.set("level", reached.level > kCatalogueSize ? std::string("every level beaten")
                                                        : std::to_string(reached.level));
        row.set("when", localTime(reached.reachedAt));
        levels.push_back(row);
    }
    data.set("hasLevels", !levels.empty());
    data.set("levels", levels);
    return page("student", data, context);
}

ConsoleReply Console::parsPage(Context& context) {
    const std::vector<int> pars = store_.pars();
    const std::vector<int> first = catalogueParList();
    std::vector<PageList> changes(pars.size());
    for (const ParChange& change : store_.parChanges()) {
        if (change.level >= 1 && static_cast<std::size_t>(change.level) <= pars.size()) {
            PageData item;
            item.set("old", std::to_string(change.oldPar));
            item.set("new", std::to_string(change.newPar));
            item.set("when", localTime(change.changedAt));
            changes[static_cast<std::size_t>(change.level - 1)].push_back(item);
        }
    }
    PageList levels;
    for (std::size_t i = 0; i < pars.size(); ++i) {
        PageData row;
        row.set("level", std::to_string(i + 1));
        row.set("par", std::to_string(pars[i]));
        row.set("first", i < first.size() ? std::to_string(first[i]) : "");
        row.set("changes", changes[i]);
        levels.push_back(row);
    }
    PageData data;
    data.set("title", "Pars");
    data.set("levels", levels);
    return page("pars", data, context);
}

ConsoleReply Console::teachersPage(Context& context) {
    PageList teachers;
    for (const TeacherRecord& teacher : store_.teachers()) {
        PageData row;
        row.set("name", teacher.name);
        row.set("administrator", teacher.administrator);
        std::string classes;
        for (const std::string& name : teacher.classes) {
            classes += (classes.empty() ? "" : ", ") + name;
        }
        row.set("classes", classes.empty() ? std::string("none") : classes);
        teachers.push_back(row);
    }
    PageData data;
    data.set("title", "Teachers");
    data.set("teachers", teachers);
    return page("teachers", data, context);
}

} // namespace dovrix::server::console
