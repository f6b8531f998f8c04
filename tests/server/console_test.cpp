// The teachers' console through the program's own main, over HTTP on loopback: when it is
// there at all, sign-in and sessions, forms and their tokens, who sees what, the headers of
// every page, the CSV files, and what a teacher does for a student.

#include "server_program.h"
#include "sql.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <fstream>
#include <regex>

namespace dovrix::testing {
namespace {

const std::string kRoot = "/dovrix/console";

// A school: a student list of two classes and a student in none, a teacher of 7A, an administrator, and games that
// have played.
class School {
public:
    School() {
        std::ofstream(folder.file("students.csv"))
            << "username,password,class\nanna,pw-anna,7A\n<b>bo</b>,pw-bo,7A\n"
               "=HYPERLINK(\"http://x\"),pw-eq,7A\ndi,pw-di,7B\neve,pw-eve\n";
        EXPECT_EQ(Program({"import-students", folder.file("students.csv"), "--db", database})
                      .exitCodeAtEnd(),
                  0);
    }
    void addTeacher(const std::string& name, const std::string& role, const std::string& classes,
                    const std::string& password) {
        std::vector<std::string> line = {"add-teacher", name, role};
        if (!classes.empty()) {
            line.push_back(classes);
        }
        line.insert(line.end(), {"--db", database});
        EXPECT_EQ(Program(line, password + "\n").exitCodeAtEnd(), 0);
    }
    TempFolder folder;
    std::string database = folder.file("accounts.sqlite");
};

// A browser's view of the console on a server: its cookie, its last form token.
class Browser {
public:
    explicit Browser(Server& server) : server_(server) {}

    httplib::Result get(const std::string& path) {
        httplib::Client client("127.0.0.1", server_.port);
        return client.Get((kRoot + path).c_str(), headers());
    }
    httplib::Result post(const std::string& path, httplib::Params form,
                         std::optional<std::string> origin = std::string(),
                         bool withToken = true) {
        httplib::Client client("127.0.0.1", server_.port);
        auto sent = headers();
        if (origin && origin->empty()) {
            sent.emplace("Origin", "http://127.0.0.1:" + std::to_string(server_.port));
        } else if (origin) {
            sent.emplace("Origin", *origin);
        }
        if (withToken) {
            form.emplace("form-token", formToken);
        }
        auto result = client.Post((kRoot + path).c_str(), sent, form);
        remember(result);
        return result;
    }
    // Signs in; the status of the answer.
    int signIn(const std::string& name, const std::string& password) {
        const auto result = post("/sign-in", {{"name", name}, {"password", password}}, std::string(), false);
        if (result && result->status == 303) {
            const auto page = get("/");
            std::smatch token;
            if (page && std::regex_search(page->body, token,
                                          std::regex("name=\"form-token\" value=\"([^\"]+)\""))) {
                formToken = token[1];
            }
        }
        return result ? result->status : 0;
    }
    std::string cookie;
    std::string formToken;

private:
    httplib::Headers headers() const {
        httplib::Headers sent;
        if (!cookie.empty()) {
            sent.emplace("Cookie", "__Host-dovrix-console=" + cookie);
        }
        return sent;
    }
    void remember(const httplib::Result& result) {
        if (!result || !result->has_header("Set-Cookie")) {
            return;
        }
        const std::string value = result->get_header_value("Set-Cookie");
        const auto start = value.find('=') + 1;
        cookie = value.substr(start, value.find(';') - start);
    }
    Server& server_;
};

int status(const httplib::Result& result) {
    return result ? result->status : 0;
}
std::string body(const httplib::Result& result) {
    return result ? result->body : "<no reply>";
}

TEST(Console, IsNotThereUntilATeacherExistsNorWhenSwitchedOffNorOutsideItsRanges) {
    School school;
    const auto notThere = [](Server& server, const std::string& client) {
        return server.fetch(kRoot + "/sign-in", client) == server.fetch("/elsewhere", client);
    };
    {
        Server server(school.database);
        EXPECT_TRUE(notThere(server, "127.0.0.1"));
        EXPECT_EQ(server.fetch("/elsewhere"), std::pair(404, std::string()));
    }
    school.addTeacher("lind", "--classes", "7A", "a long password");
    {
        Server server(school.database);
        EXPECT_EQ(server.fetch(kRoot + "/sign-in").first, 200);
    }
    std::ofstream(school.folder.file("off.conf")) << "db = " << school.database
                                                   << "\nport = 0\nconsole = off\n";
    {
        Server server("", {"--config", school.folder.file("off.conf")});
        EXPECT_TRUE(notThere(server, "127.0.0.1"));
    }
    // Behind the front end: the school network (trust) and loopback, unless console-from
    // says otherwise.
    const std::string socket = school.folder.file("account.sock");
    {
        Server server(school.database, {"--socket", socket, "--trust", "10.0.0.0/8"});
        EXPECT_EQ(server.fetch(kRoot + "/sign-in", "10.1.2.3").first, 200);
        EXPECT_EQ(server.fetch(kRoot + "/sign-in", "127.0.0.1").first, 200);
        EXPECT_TRUE(notThere(server, "203.0.113.5"));
    }
    Server server(school.database, {"--socket", socket, "--trust", "10.0.0.0/8", "--console-from",
                                    "10.20.0.0/16"});
    EXPECT_EQ(server.fetch(kRoot + "/sign-in", "10.20.1.2").first, 200);
    EXPECT_TRUE(notThere(server, "10.1.2.3"));
    EXPECT_TRUE(notThere(server, "127.0.0.1"));
}

TEST(Console, SignInIsUniformAndThrottledAndSessionsEndAsTheyShould) {
    School school;
    school.addTeacher("lind", "--classes", "7A", "a long password");
    Server server(school.database, {"--log-requests"});
    Browser browser(server);
    // A wrong password and an unknown name: the same status and page.
    const auto failed = [&](const std::string& name) {
        auto result = browser.post("/sign-in", {{"name", name}, {"password", "not it at all"}}, std::string(),
                                   false);
        return std::pair(status(result),
                         std::regex_replace(body(result), std::regex(name), "NAME"));
    };
    EXPECT_EQ(failed("lind").first, 403);
    EXPECT_EQ(failed("lind"), failed("nobody"));

    EXPECT_EQ(browser.signIn("LIND", "a long password"), 303);
    const auto first = browser.cookie;
    const auto cookie = browser.post("/sign-in", {{"name", "lind"}, {"password", "a long password"}},
                                     std::string(), false)
                            ->get_header_value("Set-Cookie");
    EXPECT_TRUE(std::regex_match(cookie, std::regex("__Host-dovrix-console=[A-Za-z0-9_-]{43}; "
                                                    "Secure; HttpOnly; SameSite=Strict; Path=/")))
        << cookie;
    // A fresh session at every sign-in; the one the browser had is over.
    EXPECT_NE(browser.cookie, first);
    EXPECT_EQ(status(browser.get("/")), 200);
    Browser stale(server);
    stale.cookie = first;
    EXPECT_EQ(status(stale.get("/")), 303);

    // However busy, a session is over 12 hours after its sign-in.
    sql(school.database, "UPDATE console_sessions SET started_at = started_at - 43201");
    EXPECT_EQ(browser.get("/")->get_header_value("Location"), kRoot + "/sign-in");
    // So is every session of a teacher removed from the command line while the server runs.
    EXPECT_EQ(browser.signIn("lind", "a long password"), 303);
    school.addTeacher("root", "--admin", "", "another long one");
    EXPECT_EQ(Program({"remove-teacher", "lind", "--db", school.database}).exitCodeAtEnd(), 0);
    EXPECT_EQ(status(browser.get("/")), 303);

    // Ten wrong passwords for a name from one address, then not even the right one is tried.
    school.addTeacher("lind", "--classes", "7A", "a long password");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(failed("lind").first, 403);
    }
    EXPECT_EQ(browser.signIn("lind", "a long password"), 429);
    EXPECT_EQ(browser.signIn("root", "another long one"), 303);

    server.signal(SIGTERM);
    EXPECT_EQ(server.exitCodeAtEnd(), 0);
    const std::string log = server.errors();
    EXPECT_NE(log.find("console: failed sign-in as \"nobody\" from 127.0.0.1"), std::string::npos);
    EXPECT_NE(log.find("(too many tries)"), std::string::npos);
    EXPECT_EQ(log.find("long password"), std::string::npos) << log;
    EXPECT_EQ(log.find("not it at all"), std::string::npos) << log;
    // The store keeps only a hash of each session's token.
    EXPECT_EQ(fileContent(school.database)->find(browser.cookie), std::string::npos);
}

TEST(Console, EveryChangeNeedsItsFormTokenAndTheConsolesOrigin) {
    School school;
    school.addTeacher("lind", "--classes", "7A", "a long password");
    Server server(school.database);
    Browser browser(server);
    ASSERT_EQ(browser.signIn("lind", "a long password"), 303);
    // A missing token, and another origin's form, are the browser check's.
    const httplib::Params reset = {{"password", "new-anna"}, {"again", "new-anna"}};
    EXPECT_EQ(status(browser.post("/students/anna/password", reset, std::nullopt)), 403);
    EXPECT_EQ(status(browser.post("/sign-in", {{"name", "lind"}, {"password", "a long password"}},
                                  "null", false)),
              403);
    // Another session's token is no good either.
    Browser other(server);
    ASSERT_EQ(other.signIn("lind", "a long password"), 303);
    browser.formToken = other.formToken;
    EXPECT_EQ(status(browser.post("/students/anna/password", reset)), 403);
    EXPECT_EQ(server.get("o=halvern&u=anna&p=pw-anna"), "1");
    EXPECT_EQ(status(other.post("/students/anna/password", reset)), 200);
    EXPECT_EQ(server.get("o=halvern&u=anna&p=new-anna"), "1");
    // Nothing changes on a GET.
    EXPECT_EQ(status(other.get("/sign-out")), 404);
    EXPECT_EQ(status(other.get("/")), 200);
}

TEST(Console, TeachersSeeOnlyTheirClassesAndEveryPageSendsItsHeaders) {
    School school;
    school.addTeacher("lind", "--classes", "7A", "a long password");
    school.addTeacher("root", "--admin", "", "another long one");
    Server server(school.database);
    EXPECT_EQ(server.get("o=qel&u=anna&p="), "1");
    EXPECT_EQ(server.get("o=update&u=anna&p=&l=12"), "OK");
    Browser lind(server);
    ASSERT_EQ(lind.signIn("lind", "a long password"), 303);
    // Another class's student, class or file answers exactly as one that does not exist.
    for (const auto& [theirs, none] : std::vector<std::pair<std::string, std::string>>{
             {"/students/di/export", "/students/nobody/export"},
             {"/classes/7b", "/classes/9z"},
             {"/classes/7b.csv", "/classes/9z.csv"},
             {"/school.csv", "/nothing"},
             {"/teachers", "/nothing"}}) {
        const auto a = lind.get(theirs), b = lind.get(none);
        EXPECT_EQ(status(a), 404) << theirs;
        EXPECT_EQ(std::pair(status(a), body(a)), std::pair(status(b), body(b))) << theirs;
    }
    EXPECT_EQ(status(lind.post("/students/di/delete", {{"confirm", "di"}})), 404);
    EXPECT_EQ(server.get("o=halvern&u=di&p=pw-di"), "1");

    // Every page, found or not, signed in or not, sends the same headers.
    for (const std::string path :
         {"/classes/7a", "/sign-in", "/", "/students/anna", "/pars", "/nothing"}) {
        const auto each = lind.get(path);
        EXPECT_EQ(each->get_header_value("Content-Security-Policy"),
                  "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
                  "frame-ancestors 'none'; base-uri 'none'") << path;
        EXPECT_EQ(each->get_header_value("X-Content-Type-Options"), "nosniff") << path;
        EXPECT_EQ(each->get_header_value("Referrer-Policy"), "no-referrer") << path;
        EXPECT_EQ(each->get_header_value("Cache-Control"), "no-store") << path;
    }
    const auto page = lind.get("/classes/7a");
    ASSERT_EQ(status(page), 200);
    EXPECT_EQ(page->body.find("<script"), std::string::npos);
    EXPECT_NE(page->body.find("Level 12: 1 student<"), std::string::npos);
    EXPECT_EQ(page->body.find("1 students"), std::string::npos);

    Browser root(server);
    ASSERT_EQ(root.signIn("root", "another long one"), 303);
    EXPECT_EQ(status(root.get("/students/di")), 200);
    const auto teachers = body(root.get("/teachers"));
    EXPECT_NE(teachers.find("<th scope=\"row\">lind</th><td>7A</td>"), std::string::npos);
}

TEST(Console, ClassAndSchoolFilesAreCsvWithFormulasNeutralised) {
    School school;
    school.addTeacher("root", "--admin", "", "another long one");
    Server server(school.database);
    EXPECT_EQ(server.get("o=qel&u=di&p="), "1");
    EXPECT_EQ(server.get("o=update&u=di&p=&l=101"), "OK");
    Browser root(server);
    ASSERT_EQ(root.signIn("root", "another long one"), 303);
    const auto file = root.get("/classes/7a.csv");
    ASSERT_EQ(status(file), 200);
    EXPECT_EQ(file->get_header_value("Content-Type"), "text/csv; charset=utf-8; header=present");
    EXPECT_EQ(file->get_header_value("Content-Disposition"),
              "attachment; filename=\"dovrix-class-7a.csv\"");
    // UTF-8 with its byte order mark, lines ended by CR LF, a header and a line per student by
    // name; a field that could start a formula starts with a quote, a field with quotes is
    // quoted and its quotes doubled.
    EXPECT_EQ(file->body,
              "\xEF\xBB\xBF"
              "Class,Student,User name,Level reached,Every level beaten,Levels reached this week,"
              "Last seen\r\n"
              "7A,<b>bo</b>,<b>bo</b>,1,no,0,\r\n"
              "7A,\"'=HYPERLINK(\"\"http://x\"\")\",\"'=hyperlink(\"\"http://x\"\")\",1,no,0,\r\n"
              "7A,anna,anna,1,no,0,\r\n");
    // The whole school, streamed: the classes in order, every level beaten shown as such, and
    // last the students in none, with an empty cell for it.
    const auto whole = root.get("/school.csv");
    ASSERT_EQ(status(whole), 200);
    EXPECT_EQ(whole->get_header_value("Transfer-Encoding"), "chunked");
    ASSERT_TRUE(whole->body.starts_with(file->body)) << whole->body;
    EXPECT_TRUE(std::regex_match(whole->body.substr(file->body.size()),
                                 std::regex("7B,di,di,100,yes,100,20[0-9-]+ [0-9:]+\r\n"
                                            ",eve,eve,1,no,0,\r\n")))
        << whole->body;
}

TEST(Console, ResetExportAndDeleteActForTheStudentAtOnce) {
    School school;
    school.addTeacher("lind", "--classes", "7A", "a long password");
    Server server(school.database);
    // Anna plays at home: her password is remembered after the first check.
    EXPECT_EQ(server.get("o=vorna&u=anna&p=pw-anna"), "Success");
    EXPECT_EQ(server.get("o=update&u=anna&p=pw-anna&l=5"), "OK");
    Browser lind(server);
    ASSERT_EQ(lind.signIn("lind", "a long password"), 303);
    const auto mismatch =
        lind.post("/students/anna/password", {{"password", "new-anna"}, {"again", "new-ann"}});
    EXPECT_EQ(status(mismatch), 400);
    EXPECT_EQ(status(lind.post("/students/anna/password", {{"password", " x"}, {"again", " x"}})),
              400);
    EXPECT_EQ(status(lind.post("/students/anna/password",
                               {{"password", "new-anna"}, {"again", "new-anna"}})),
              200);
    // The old password, remembered or not, opens nothing from now on; the new one does.
    EXPECT_EQ(server.get("o=update&u=anna&p=pw-anna&l=6"), "Error Updating Account");
    EXPECT_EQ(server.get("o=vorna&u=anna&p=pw-anna"), kInvalid);

    EXPECT_EQ(status(lind.get("/students/anna/export")), 200); // the confirmation
    const auto exported = lind.post("/students/anna/export", {});
    ASSERT_EQ(status(exported), 200);
    EXPECT_EQ(exported->get_header_value("Content-Type"), "application/json; charset=utf-8");
    EXPECT_TRUE(std::regex_search(exported->body,
                                  std::regex("\"class\": \"7A\"[^]*\"levelReached\": 5[^]*"
                                             "\\{\"level\": 5, \"reached\": \"20[0-9-]+T")))
        << exported->body;
    EXPECT_EQ(exported->body.find("argon2id$"), std::string::npos);

    // Deleting asks for the name first.
    EXPECT_EQ(status(lind.post("/students/anna/delete", {{"confirm", "bo"}})), 400);
    EXPECT_EQ(server.get("o=vorna&u=anna&p=new-anna"), "5");
    EXPECT_EQ(status(lind.post("/students/anna/delete", {{"confirm", "Anna"}})), 200);
    EXPECT_EQ(status(lind.get("/students/anna")), 404);
    // Nothing of her is left in the store.
    EXPECT_EQ(sql(school.database,
                  "SELECT (SELECT count(*) FROM accounts WHERE user_key = 'anna') "
                  "+ (SELECT count(*) FROM levels_reached WHERE user_key = 'anna') "
                  "+ (SELECT count(*) FROM students WHERE user_key = 'anna')"),
              "0\n");
}

} // namespace
} // namespace dovrix::testing
